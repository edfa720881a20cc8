#include "platform/headless/pixel_raster.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kemlog::platform::headless {

namespace {

uint8_t Channel(double value) {
  return static_cast<uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

int ClampToInt(int64_t value) {
  return static_cast<int>(std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The rectangle of a picture placed at `at`, held to the int range.
Rect PlacedAt(Point at, const Picture& picture) {
  return {at.x, at.y, ClampToInt(int64_t{at.x} + picture.width), ClampToInt(int64_t{at.y} + picture.height)};
}

Rgba PictureAt(const Picture& picture, int x, int y) {
  const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(picture.width) + static_cast<size_t>(x)) * 4;
  return {picture.rgba[i], picture.rgba[i + 1], picture.rgba[i + 2], picture.rgba[i + 3]};
}

}  // namespace

Rgba OpaqueRgba(Colour colour) {
  return {static_cast<uint8_t>(colour & 0xFF), static_cast<uint8_t>((colour >> 8) & 0xFF),
          static_cast<uint8_t>((colour >> 16) & 0xFF), 255};
}

Rgba ApplyMatrix(Rgba pixel, const ColourMatrix& matrix) {
  const double in[5] = {pixel.r / 255.0, pixel.g / 255.0, pixel.b / 255.0, pixel.a / 255.0, 1.0};
  double out[4] = {};
  for (int j = 0; j < 4; ++j) {
    for (int i = 0; i < 5; ++i) out[j] += in[i] * static_cast<double>(matrix.m[i][j]);
  }
  return {Channel(out[0]), Channel(out[1]), Channel(out[2]), Channel(out[3])};
}

Rgba BlendPixel(Rgba background, Rgba picture) {
  const int sa = picture.a;
  const int da = background.a * (255 - sa);  // scaled by 255
  const int outA255 = sa * 255 + da;         // alpha x 255 x 255
  if (outA255 == 0) return {};
  auto mix = [&](uint8_t s, uint8_t d) {
    return static_cast<uint8_t>((2 * (s * sa * 255 + d * da) + outA255) / (2 * outA255));
  };
  return {mix(picture.r, background.r), mix(picture.g, background.g), mix(picture.b, background.b),
          static_cast<uint8_t>((outA255 + 127) / 255)};
}

PixelRaster::PixelRaster(int width, int height) {
  if (width <= 0 || height <= 0 || int64_t{width} * height > kMaxPicturePixels) return;
  pixels_.width = width;
  pixels_.height = height;
  pixels_.rgba.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
}

Rect PixelRaster::Bounds(const Rect& rect, const std::optional<Rect>& clip) const {
  const Rect r = Intersect(rect, Rect{0, 0, Width(), Height()});
  return clip ? Intersect(r, *clip) : r;
}

Rgba PixelRaster::Get(int x, int y) const { return PictureAt(pixels_, x, y); }

void PixelRaster::Put(int x, int y, Rgba c) {
  const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(Width()) + static_cast<size_t>(x)) * 4;
  pixels_.rgba[i] = c.r;
  pixels_.rgba[i + 1] = c.g;
  pixels_.rgba[i + 2] = c.b;
  pixels_.rgba[i + 3] = c.a;
}

std::optional<Rgba> PixelRaster::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return std::nullopt;
  return Get(x, y);
}

void PixelRaster::Fill(const Rect& rect, Rgba colour, const std::optional<Rect>& clip) {
  const Rect r = Bounds(rect, clip);
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) Put(x, y, colour);
  }
}

void PixelRaster::DrawPicture(const Rect& target, const Picture& picture, const ColourMatrix& matrix,
                              const std::optional<Rect>& clip) {
  // Spans in 64 bits: a target far outside the raster must not overflow.
  const int64_t width = int64_t{target.right} - target.left;
  const int64_t height = int64_t{target.bottom} - target.top;
  if (!picture.Valid() || width <= 0 || height <= 0) return;
  const bool identity = matrix.IsIdentity();
  const Rect r = Bounds(target, clip);
  for (int y = r.top; y < r.bottom; ++y) {
    const int64_t sy = (int64_t{y} - target.top) * picture.height / height;
    for (int x = r.left; x < r.right; ++x) {
      const int64_t sx = (int64_t{x} - target.left) * picture.width / width;
      Rgba source = PictureAt(picture, static_cast<int>(sx), static_cast<int>(sy));
      if (!identity) source = ApplyMatrix(source, matrix);
      Put(x, y, BlendPixel(Get(x, y), source));
    }
  }
}

void PixelRaster::Copy(const Picture& source, Point at, const std::optional<Rect>& clip) {
  if (!source.Valid()) return;
  const Rect r = Bounds(PlacedAt(at, source), clip);
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) Put(x, y, PictureAt(source, x - at.x, y - at.y));
  }
}

void PixelRaster::BlendOver(const Picture& source, Point at) {
  if (!source.Valid()) return;
  const Rect r = Bounds(PlacedAt(at, source), std::nullopt);
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) Put(x, y, BlendPixel(Get(x, y), PictureAt(source, x - at.x, y - at.y)));
  }
}

Picture PixelRaster::Read(const Rect& area) const {
  const int64_t width = int64_t{area.right} - area.left;
  const int64_t height = int64_t{area.bottom} - area.top;
  if (width <= 0 || height <= 0 || width * height > kMaxPicturePixels) return {};
  PixelRaster out(static_cast<int>(width), static_cast<int>(height));
  out.Copy(pixels_, Point{ClampToInt(-int64_t{area.left}), ClampToInt(-int64_t{area.top})}, std::nullopt);
  return out.Pixels();
}

}  // namespace kemlog::platform::headless
