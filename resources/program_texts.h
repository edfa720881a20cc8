#pragma once
// Texts the windows share: the product name (window title, message box caption) and the face of
// the program's private font.

namespace kemlog::resources {

inline constexpr char kProductName[] = "KEM LOG";
// The Rounded M+ face the pages and the popup write in; the program adds its font file at start.
inline constexpr char kRoundedFace[] = "Rounded M+ 1c-2c3 regular";

}  // namespace kemlog::resources
