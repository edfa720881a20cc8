#include "skin/skin_bitmap.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace kemlog::skin {

namespace {

size_t Offset(int width, int x, int y) {
  return (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4;
}

}  // namespace

CSkinBitmap::CSkinBitmap(int width, int height, std::vector<uint8_t> rgba) {
  if (width <= 0 || height <= 0) return;
  if (rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) return;
  width_ = width;
  height_ = height;
  pixels_ = std::move(rgba);
}

CSkinBitmap CSkinBitmap::Filled(int width, int height, Rgba colour) {
  if (width <= 0 || height <= 0) return {};
  std::vector<uint8_t> pixels;
  pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  for (int i = 0; i < width * height; ++i) {
    pixels.insert(pixels.end(), {colour.r, colour.g, colour.b, colour.a});
  }
  return CSkinBitmap(width, height, std::move(pixels));
}

std::optional<Rgba> CSkinBitmap::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return std::nullopt;
  const size_t at = Offset(width_, x, y);
  return Rgba{pixels_[at], pixels_[at + 1], pixels_[at + 2], pixels_[at + 3]};
}

bool CSkinBitmap::Set(int x, int y, Rgba colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
  const size_t at = Offset(width_, x, y);
  pixels_[at] = colour.r;
  pixels_[at + 1] = colour.g;
  pixels_[at + 2] = colour.b;
  pixels_[at + 3] = colour.a;
  return true;
}

uint8_t BrightenChannel(uint8_t value) {
  // (1.05 v + 0.05 x 255) rounded = (105 v + 1275 + 50) / 100 in integers.
  const int brightened = (105 * static_cast<int>(value) + 1275 + 50) / 100;
  return static_cast<uint8_t>(std::min(brightened, 255));
}

CSkinBitmap Brighten(const CSkinBitmap& picture) {
  CSkinBitmap result = picture;
  for (int y = 0; y < result.Height(); ++y) {
    for (int x = 0; x < result.Width(); ++x) {
      const Rgba p = *result.At(x, y);
      result.Set(x, y, Rgba{BrightenChannel(p.r), BrightenChannel(p.g), BrightenChannel(p.b), p.a});
    }
  }
  return result;
}

CSkinBitmap Stretch(const CSkinBitmap& picture, int width, int height) {
  if (picture.Empty() || width <= 0 || height <= 0) return {};
  if (width == picture.Width() && height == picture.Height()) return picture;
  CSkinBitmap result = CSkinBitmap::Filled(width, height, Rgba{});
  for (int y = 0; y < height; ++y) {
    // The source pixel whose centre is nearest: floor((y + 0.5) x source / target).
    const int sy = static_cast<int>((static_cast<long long>(2 * y + 1) * picture.Height()) / (2LL * height));
    for (int x = 0; x < width; ++x) {
      const int sx = static_cast<int>((static_cast<long long>(2 * x + 1) * picture.Width()) / (2LL * width));
      result.Set(x, y, *picture.At(sx, sy));
    }
  }
  return result;
}

Rgba BlendPixel(Rgba background, Rgba picture) {
  const int a = picture.a;
  const int rest = static_cast<int>(background.a) * (255 - a);  // background weight x 255
  const int alpha255 = a * 255 + rest;                           // result alpha x 255
  if (alpha255 == 0) return Rgba{};
  auto channel = [&](uint8_t front, uint8_t back) {
    const int numerator = static_cast<int>(front) * a * 255 + static_cast<int>(back) * rest;
    return static_cast<uint8_t>((numerator + alpha255 / 2) / alpha255);
  };
  return Rgba{channel(picture.r, background.r), channel(picture.g, background.g),
              channel(picture.b, background.b), static_cast<uint8_t>((alpha255 + 127) / 255)};
}

CSkinBitmap BlendOver(const CSkinBitmap& background, const CSkinBitmap& picture) {
  if (background.Empty() || picture.Empty()) return background;
  const CSkinBitmap front = Stretch(picture, background.Width(), background.Height());
  CSkinBitmap result = background;
  for (int y = 0; y < result.Height(); ++y) {
    for (int x = 0; x < result.Width(); ++x) {
      result.Set(x, y, BlendPixel(*background.At(x, y), *front.At(x, y)));
    }
  }
  return result;
}

}  // namespace kemlog::skin
