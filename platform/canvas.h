#pragma once
// Drawing surface of the program's own controls: pens, lines, polylines, rectangles, text in a font,
// clipping, off-screen surfaces and pictures. Plain value types only, so that each backend (recording, GDI,
// QPainter) implements it in one file.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/picture.h"

namespace kemlog::platform {

// 24-bit RGB colour: red in the low byte, then green, then blue.
using Colour = uint32_t;

constexpr Colour Rgb(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<Colour>(red) | (static_cast<Colour>(green) << 8) | (static_cast<Colour>(blue) << 16);
}

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// Right and bottom are exclusive, as in window coordinates.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The part two rectangles share; empty (right <= left or bottom <= top) when they share none.
constexpr Rect Intersect(const Rect& a, const Rect& b) {
  return {a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top, a.right < b.right ? a.right : b.right,
          a.bottom < b.bottom ? a.bottom : b.bottom};
}

enum class PenStyle : uint8_t { Solid, Dash, Dot, DashDot };

struct Pen {
  PenStyle style = PenStyle::Solid;
  int width = 1;
  Colour colour = 0;
  friend bool operator==(const Pen&, const Pen&) = default;
};

// A font by description; backends create and cache the real font.
struct Font {
  std::string face;
  int size = 100;  // tenths of a point
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool vertical = false;  // rotated 90 degrees counter-clockwise: the text runs upwards
  friend bool operator==(const Font&, const Font&) = default;
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual Size SurfaceSize() const = 0;

  // A line from `from` up to, but not including, `to`.
  virtual void DrawLine(Point from, Point to, const Pen& pen) = 0;
  // Joined segments through all points; the last point is not set.
  virtual void DrawPolyline(std::span<const Point> points, const Pen& pen) = 0;
  // Outline of the rectangle (left, top) to (right - 1, bottom - 1), not filled.
  virtual void DrawRectangle(const Rect& rect, const Pen& pen) = 0;
  virtual void FillRect(const Rect& rect, Colour colour) = 0;
  // The two-pixel raised border of a control just inside the rectangle.
  virtual void DrawRaisedEdge(const Rect& rect) = 0;

  // UTF-8 text with a transparent background. `at` is the top-left corner of the unrotated text; a
  // vertical font turns the text about that corner so that it runs upwards and its glyphs lie to the
  // right of `at.x`.
  virtual void DrawText(Point at, std::string_view text, const Font& font, Colour colour) = 0;
  // Width along the text and height across it, as if unrotated.
  virtual Size TextExtent(std::string_view text, const Font& font) = 0;

  // Clipping nests: each push intersects with the clip in force; pop restores the previous one.
  virtual void PushClip(const Rect& rect) = 0;
  virtual void PopClip() = 0;

  // An off-screen surface of the same backend, or nullptr when it cannot be made.
  virtual std::unique_ptr<Canvas> CreateSurface(int width, int height) = 0;
  // Copies a surface made by CreateSurface of this backend with its top-left corner at `at`.
  virtual void CopySurface(const Canvas& surface, Point at) = 0;

  // The picture stretched from its full size into `target`, each channel through `matrix`, alpha
  // blended over what is there. An empty or inconsistent picture draws nothing. A canvas that cannot
  // draw pictures (a measuring or counting one) keeps this default and draws nothing.
  virtual void DrawPicture(const Rect& /*target*/, const Picture& /*picture*/, const ColourMatrix& /*matrix*/) {}
  void DrawPicture(const Rect& target, const Picture& picture) {
    DrawPicture(target, picture, ColourMatrix::Identity());
  }
};

}  // namespace kemlog::platform
