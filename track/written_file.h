#pragma once
// Finishing a file written from its start: a file cut short by a failed write does not stay behind.

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

namespace kemlog::track {

// Closes `file`, opened for writing at `path`. `written` is false when a write failed; call this
// right after that write, so that errno still holds its reason. When a write or the close failed,
// the cut-short file is removed; where the name leads to something other than a regular file (a
// device, a pipe) that is left alone. Returns 0 on success, else the reason of the first failure.
inline int CloseWrittenFile(std::FILE* file, const std::string& path, bool written) {
  int error = written ? 0 : (errno != 0 ? errno : EIO);
  if (std::fclose(file) != 0 && error == 0) error = errno != 0 ? errno : EIO;
  if (error != 0) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) std::remove(path.c_str());
  }
  return error;
}

}  // namespace kemlog::track
