#pragma once
// Decoded pictures and the colour matrix they can be drawn through. Decoding is the platform's image
// library (libpng on Linux, GDI+ on Windows); each backend's canvas draws the result.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace kemlog::platform {

// Width x height pixels, four bytes each (red, green, blue, alpha; straight alpha), row by row from
// the top. A picture with no pixels is empty; drawing an empty picture draws nothing.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;

  bool Empty() const { return rgba.empty(); }
  // True when the buffer holds exactly width x height pixels of a positive size.
  bool Valid() const {
    return width > 0 && height > 0 && rgba.size() == static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
  }
  friend bool operator==(const Picture&, const Picture&) = default;
};

// The largest picture a decoder accepts, in pixels (16 megapixels; the program's largest is 894 x 31).
constexpr int64_t kMaxPicturePixels = int64_t{1} << 24;

// Decodes the bytes of a PNG file (any colour type and bit depth, with or without alpha or
// interlacing) into `out`. False, with `out` empty, when the bytes are not a PNG the library can
// read, are cut short, or describe a picture larger than kMaxPicturePixels.
bool DecodePicture(std::span<const uint8_t> encoded, Picture& out);
// Encodes a picture as an 8-bit RGBA PNG; false (and `out` empty) for an inconsistent picture.
bool EncodePicture(const Picture& picture, std::vector<uint8_t>& out);

// A 5 x 5 colour matrix applied to a row vector (red, green, blue, alpha, 1) of channels scaled to
// 0..1: out[j] = sum over i of in[i] x m[i][j]. Row 4 is the translation. Results are held to 0..1.
struct ColourMatrix {
  std::array<std::array<float, 5>, 5> m{};

  static constexpr ColourMatrix Identity() {
    ColourMatrix c;
    for (int i = 0; i < 5; ++i) c.m[i][i] = 1.0f;
    return c;
  }
  bool IsIdentity() const { return *this == Identity(); }
  friend bool operator==(const ColourMatrix&, const ColourMatrix&) = default;
};

}  // namespace kemlog::platform
