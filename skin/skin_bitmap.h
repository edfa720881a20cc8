#pragma once
// An owned, already decoded RGBA picture and the pixel operations the skinned controls need:
// the brightening that stands in for a missing hover picture, nearest-neighbour stretching and
// alpha blending over the pixels behind a control.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kemlog::skin {

struct Rgba {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  uint8_t a = 0;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

// Width x height pixels, four bytes each (red, green, blue, alpha; straight alpha), row by row from
// the top. A picture with no pixels is empty; drawing an empty picture draws nothing.
class CSkinBitmap {
 public:
  CSkinBitmap() = default;
  // A buffer whose length is not width x height x 4, or a size that is not positive, gives an
  // empty picture.
  CSkinBitmap(int width, int height, std::vector<uint8_t> rgba);
  // A picture of one colour; an empty one when the size is not positive.
  static CSkinBitmap Filled(int width, int height, Rgba colour);

  bool Empty() const { return pixels_.empty(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  std::span<const uint8_t> Pixels() const { return pixels_; }

  // Nothing outside the picture.
  std::optional<Rgba> At(int x, int y) const;
  // False (and nothing changes) outside the picture.
  bool Set(int x, int y, Rgba colour);

  friend bool operator==(const CSkinBitmap&, const CSkinBitmap&) = default;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> pixels_;
};

// One colour channel through the brightening matrix: 1.05 x value + 0.05 x full scale, rounded and
// held at 255.
uint8_t BrightenChannel(uint8_t value);
// Every pixel through the colour matrix with diagonal 1.05, 1.05, 1.05, 1 and translation 0.05,
// 0.05, 0.05, 0: red, green and blue brightened, alpha unchanged.
CSkinBitmap Brighten(const CSkinBitmap& picture);

// The picture scaled to width x height by nearest neighbour; empty when either is empty.
CSkinBitmap Stretch(const CSkinBitmap& picture, int width, int height);

// One pixel over another (straight alpha, the "over" operator), rounded.
Rgba BlendPixel(Rgba background, Rgba picture);
// The picture, stretched to the background's size, blended over it. An empty picture leaves the
// background as it is; an empty background gives an empty picture.
CSkinBitmap BlendOver(const CSkinBitmap& background, const CSkinBitmap& picture);

}  // namespace kemlog::skin
