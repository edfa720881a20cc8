// The log folder in the user's home.

#include <cstdlib>
#include <string>

#include "platform/paths.h"

namespace kemlog::platform {

std::string DefaultLogFolder() {
  const char* home = std::getenv("HOME");
  std::string folder = home && *home ? home : ".";
  while (folder.size() > 1 && folder.back() == kPathSeparator) folder.pop_back();
  if (folder.size() == 1 && folder[0] == kPathSeparator) folder.clear();  // HOME=/ gives /KemLog
  return JoinPath(folder, "KemLog");
}

}  // namespace kemlog::platform
