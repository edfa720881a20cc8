#include "skin/skin_bitmap.h"

#include <utility>

#include "resources/program_resources.h"

namespace kemlog::skin {

CSkinBitmap::CSkinBitmap(platform::Picture image) {
  if (image.Valid()) image_ = std::move(image);
}

bool LoadPngResource(int id, CSkinBitmapResource& target) {
  target.Clear();
  const std::span<const uint8_t> bytes = resources::FindProgramResource("PNG", id);
  if (bytes.empty()) return false;
  platform::Picture image;
  if (!platform::DecodePicture(bytes, image)) return false;
  target = CSkinBitmapResource(std::move(image), bytes);
  return !target.Empty();
}

}  // namespace kemlog::skin
