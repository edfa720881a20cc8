#include "resources/program_resources.h"

#include "resources/resource_table.h"

namespace kemlog::resources {

std::span<const std::uint8_t> FindProgramResource(std::string_view type, int id) {
  for (const ResourceEntry& entry : ResourceTable()) {
    if (entry.id == id && entry.type == type) return {entry.bytes, *entry.size};
  }
  return {};
}

}  // namespace kemlog::resources
