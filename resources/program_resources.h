#pragma once
// Files compiled into the program, found as the program finds its own resources: by a type name
// ("PNG", "HTML") and a numeric id.

#include <cstdint>
#include <span>
#include <string_view>

namespace kemlog::resources {

// The bytes of the resource, or an empty span when the program holds none of that type and id.
std::span<const std::uint8_t> FindProgramResource(std::string_view type, int id);

}  // namespace kemlog::resources
