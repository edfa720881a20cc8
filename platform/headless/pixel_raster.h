#pragma once
// The pixels behind the recording canvas: fills, pictures (stretched, through a colour matrix, alpha
// blended) and surface copies reach them; lines and text are recorded only. Pixels are RGBA with
// straight alpha; a fresh raster is transparent black. A raster larger than kMaxPicturePixels keeps
// no pixels (its canvas still records).

#include <cstdint>
#include <optional>

#include "platform/canvas.h"
#include "platform/picture.h"

namespace kemlog::platform::headless {

struct Rgba {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  uint8_t a = 0;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

// An opaque pixel of a canvas colour.
Rgba OpaqueRgba(Colour colour);
// One pixel through the matrix, each result rounded and held to 0..255.
Rgba ApplyMatrix(Rgba pixel, const ColourMatrix& matrix);
// One pixel over another (straight alpha, the "over" operator), rounded.
Rgba BlendPixel(Rgba background, Rgba picture);

class PixelRaster {
 public:
  PixelRaster(int width, int height);

  int Width() const { return pixels_.width; }
  int Height() const { return pixels_.height; }
  const Picture& Pixels() const { return pixels_; }
  // Nothing outside the raster.
  std::optional<Rgba> At(int x, int y) const;

  // Every operation stays inside the raster and, when one is given, inside the clip.
  void Fill(const Rect& rect, Rgba colour, const std::optional<Rect>& clip);
  // `picture` scaled to `target` by nearest pixel, through the matrix, blended over.
  void DrawPicture(const Rect& target, const Picture& picture, const ColourMatrix& matrix,
                   const std::optional<Rect>& clip);
  // The pixels of `source` with its top-left corner at `at`: replaced (a plain copy) or blended over.
  void Copy(const Picture& source, Point at, const std::optional<Rect>& clip);
  void BlendOver(const Picture& source, Point at);
  // The pixels under `area` as a picture of its size; outside the raster they are transparent.
  Picture Read(const Rect& area) const;

 private:
  Rect Bounds(const Rect& rect, const std::optional<Rect>& clip) const;
  void Put(int x, int y, Rgba colour);
  Rgba Get(int x, int y) const;

  Picture pixels_;
};

}  // namespace kemlog::platform::headless
