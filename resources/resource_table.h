#pragma once
// The table of files compiled into the program; generated at build time (see CMakeLists.txt).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kemlog::resources {

struct ResourceEntry {
  std::string_view type;
  int id;
  const std::uint8_t* bytes;
  const std::size_t* size;
};

std::span<const ResourceEntry> ResourceTable();

}  // namespace kemlog::resources
