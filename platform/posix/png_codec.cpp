// PNG decoding and encoding with libpng's simplified interface: any PNG it can read comes out as
// 8-bit RGBA, and pictures are written as 8-bit RGBA.

#include <png.h>

#include <memory>

#include "platform/picture.h"

namespace kemlog::platform {

namespace {

// Frees libpng's decoding state on every path out.
struct ImageGuard {
  png_image* image;
  ~ImageGuard() { png_image_free(image); }
};

}  // namespace

bool DecodePicture(std::span<const uint8_t> encoded, Picture& out) {
  out = Picture{};
  if (encoded.empty()) return false;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ImageGuard guard{&image};
  if (png_image_begin_read_from_memory(&image, encoded.data(), encoded.size()) == 0) return false;
  const int64_t pixels = static_cast<int64_t>(image.width) * static_cast<int64_t>(image.height);
  if (image.width == 0 || image.height == 0 || pixels > kMaxPicturePixels) return false;
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr) == 0) return false;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.rgba = std::move(rgba);
  return true;
}

bool EncodePicture(const Picture& picture, std::vector<uint8_t>& out) {
  out.clear();
  if (!picture.Valid()) return false;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.width);
  image.height = static_cast<png_uint_32>(picture.height);
  image.format = PNG_FORMAT_RGBA;
  ImageGuard guard{&image};
  png_alloc_size_t size = 0;
  if (png_image_write_to_memory(&image, nullptr, &size, 0, picture.rgba.data(), 0, nullptr) == 0) return false;
  out.resize(size);
  if (png_image_write_to_memory(&image, out.data(), &size, 0, picture.rgba.data(), 0, nullptr) == 0) {
    out.clear();
    return false;
  }
  out.resize(size);
  return true;
}

}  // namespace kemlog::platform
