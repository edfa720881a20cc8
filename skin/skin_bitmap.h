#pragma once
// A decoded picture owned by a skinned control, and the one that remembers the PNG resource it was
// decoded from.

#include <cstdint>
#include <span>

#include "platform/picture.h"

namespace kemlog::skin {

// An empty picture draws nothing.
class CSkinBitmap {
 public:
  CSkinBitmap() = default;
  // An inconsistent picture (a buffer that is not width x height x 4 bytes) is kept empty.
  explicit CSkinBitmap(platform::Picture image);
  virtual ~CSkinBitmap() = default;
  CSkinBitmap(const CSkinBitmap&) = default;
  CSkinBitmap& operator=(const CSkinBitmap&) = default;

  bool Empty() const { return image_.Empty(); }
  int Width() const { return image_.width; }
  int Height() const { return image_.height; }
  const platform::Picture& Image() const { return image_; }
  // Drops the picture.
  void Clear() { image_ = {}; }

  friend bool operator==(const CSkinBitmap& a, const CSkinBitmap& b) { return a.image_ == b.image_; }

 private:
  platform::Picture image_;
};

// A picture decoded from a PNG resource, with the resource bytes it came from. The bytes are the
// program's own (compiled in), so they outlive every picture.
class CSkinBitmapResource : public CSkinBitmap {
 public:
  CSkinBitmapResource() = default;
  CSkinBitmapResource(platform::Picture image, std::span<const uint8_t> source)
      : CSkinBitmap(std::move(image)), source_(source) {}

  std::span<const uint8_t> Source() const { return source_; }
  void Clear() {
    CSkinBitmap::Clear();
    source_ = {};
  }

 private:
  std::span<const uint8_t> source_;
};

// Loads PNG resource `id` into `target`, dropping what it held: true when the resource exists and
// decodes. Otherwise `target` is left empty.
bool LoadPngResource(int id, CSkinBitmapResource& target);

}  // namespace kemlog::skin
