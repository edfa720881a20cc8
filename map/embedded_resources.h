#pragma once
// Resource files compiled into the program; the definitions are generated at build time from
// resources/ (see map/CMakeLists.txt).

#include <cstddef>
#include <cstdint>

namespace kemlog::map::resources {

extern const std::uint8_t kMapPage[];  // resources/map_page.html, resource 153
extern const std::size_t kMapPageSize;
extern const std::uint8_t kMarkerPicture[];  // resources/marker_196.png, resource 196
extern const std::size_t kMarkerPictureSize;

}  // namespace kemlog::map::resources
