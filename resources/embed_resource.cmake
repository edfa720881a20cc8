# Writes a C++ source holding the bytes of one resource file as a constant array.
# cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name -P embed_resource.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
if(digits EQUAL 0)
  message(FATAL_ERROR "embed_resource: ${INPUT} is empty")
endif()
# 16 bytes to a line.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 line)
string(REGEX REPLACE "(${line})" "\\1\n  " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n"
  "#include <cstddef>\n#include <cstdint>\n\n"
  "namespace kemlog::resources::embedded {\n\n"
  "extern const std::uint8_t ${SYMBOL}[];\n"
  "extern const std::size_t ${SYMBOL}Size;\n"
  "const std::uint8_t ${SYMBOL}[] = {\n  ${bytes}\n};\n"
  "const std::size_t ${SYMBOL}Size = sizeof ${SYMBOL};\n\n"
  "}  // namespace kemlog::resources::embedded\n")
# Leave the output untouched when nothing changed, so that it is not compiled again.
configure_file("${OUTPUT}.tmp" "${OUTPUT}" COPYONLY)
file(REMOVE "${OUTPUT}.tmp")
