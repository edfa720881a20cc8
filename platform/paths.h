#pragma once
// Where the program keeps its files, and how paths are put together.

#include <string>

namespace kemlog::platform {

// The separator between a folder and a file name in the paths the program builds.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The log folder: C:\KemLog on Windows, ~/KemLog elsewhere.
std::string DefaultLogFolder();

inline std::string JoinPath(const std::string& folder, const std::string& name) {
  return folder + kPathSeparator + name;
}

}  // namespace kemlog::platform
