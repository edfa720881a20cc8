#pragma once
// A canvas that draws nothing and keeps every operation, for tests of the controls.
//
// Text is measured by a fixed rule so that layouts do not depend on fonts:
//   character width = round(0.6 x size in points) = (size x 6 + 50) / 100 pixels,
//   height          = round(1.2 x size in points) = (size x 12 + 50) / 100 pixels,
//   width           = number of characters (UTF-8 code points) x character width,
// with the size in tenths of a point; bold, italic, underline and rotation change nothing.
// An 8-point font (size 80) gives 5 pixels per character and a height of 10; 10 points give 6 and 12.
//
// Surfaces made with CreateSurface write into the journal of the canvas that made them, each with a
// number of its own (the canvas itself is surface 0, then 1, 2, ... in the order made), so a test
// holding the window's canvas sees everything drawn off screen too.
//
// Each canvas also keeps its pixels (see pixel_raster.h): fills, pictures and surface copies change
// them, lines and text do not.

#include <memory>
#include <optional>
#include <vector>

#include "platform/canvas.h"
#include "platform/headless/pixel_raster.h"

namespace kemlog::platform::headless {

enum class CanvasOp { Line, Polyline, Rectangle, Fill, Edge, Text, CreateSurface, CopySurface };

struct RecordedOp {
  int surface = 0;  // the canvas drawn into
  CanvasOp kind = CanvasOp::Line;
  Pen pen;                    // Line, Polyline, Rectangle
  Colour colour = 0;          // Fill, Text
  std::vector<Point> points;  // Line: from and to; Polyline: all points; Text, CopySurface: the position
  Rect rect;                  // Rectangle, Fill, Edge; CreateSurface: (0, 0, width, height)
  std::string text;           // Text
  Font font;                  // Text
  std::optional<Rect> clip;   // the clip in force, none when unclipped
  int other = -1;             // CreateSurface: the new surface; CopySurface: the surface copied
};

// A picture drawn with DrawPicture. Pictures are kept apart from the operations above; `sequence`
// is the number of operations recorded before it, which places it among them.
struct RecordedPicture {
  int surface = 0;
  size_t sequence = 0;
  Rect target;
  Picture picture;
  ColourMatrix matrix;
  std::optional<Rect> clip;
};

class RecordingCanvas : public Canvas {
 public:
  RecordingCanvas(int width, int height);
  struct Journal;
  // Used by CreateSurface: a surface writing into an existing journal.
  class SurfaceKey {
    friend class RecordingCanvas;
    SurfaceKey() = default;
  };
  RecordingCanvas(SurfaceKey, std::shared_ptr<Journal> journal, int number, int width, int height);

  Size SurfaceSize() const override { return size_; }
  void DrawLine(Point from, Point to, const Pen& pen) override;
  void DrawPolyline(std::span<const Point> points, const Pen& pen) override;
  void DrawRectangle(const Rect& rect, const Pen& pen) override;
  void FillRect(const Rect& rect, Colour colour) override;
  void DrawRaisedEdge(const Rect& rect) override;
  void DrawText(Point at, std::string_view text, const Font& font, Colour colour) override;
  Size TextExtent(std::string_view text, const Font& font) override;
  void PushClip(const Rect& rect) override;
  void PopClip() override;
  std::unique_ptr<Canvas> CreateSurface(int width, int height) override;
  void CopySurface(const Canvas& surface, Point at) override;
  using Canvas::DrawPicture;
  void DrawPicture(const Rect& target, const Picture& picture, const ColourMatrix& matrix) override;

  int SurfaceNumber() const { return number_; }
  // Everything recorded by this canvas and the surfaces made from it, in order.
  const std::vector<RecordedOp>& Ops() const;
  // The operations of one kind drawn into one surface.
  std::vector<RecordedOp> OpsOf(CanvasOp kind, int surface) const;
  void ClearOps();
  // Every picture drawn into this canvas and the surfaces made from it, in order; ClearOps leaves
  // them, ClearPictures clears them.
  const std::vector<RecordedPicture>& Pictures() const;
  std::vector<RecordedPicture> PicturesOf(int surface) const;
  void ClearPictures();

  // The pixels drawn so far.
  const PixelRaster& Raster() const { return raster_; }
  std::optional<Rgba> PixelAt(int x, int y) const { return raster_.At(x, y); }
  // Pixel changes that are not drawing operations and so are not recorded: the toolkit erasing a
  // window with its background, and the screen made of a window and the controls painted over it.
  void ErasePixels(Colour colour) { raster_.Fill({0, 0, size_.cx, size_.cy}, OpaqueRgba(colour), std::nullopt); }
  void ComposePixels(const Picture& control, Point at) { raster_.BlendOver(control, at); }

  // The measuring rule above, usable without a canvas.
  static Size MeasureText(std::string_view text, const Font& font);

 private:
  RecordedOp& Record(CanvasOp kind);

  std::shared_ptr<Journal> journal_;
  int number_ = 0;
  Size size_;
  std::vector<Rect> clips_;  // clip in force after each push
  PixelRaster raster_;
};

}  // namespace kemlog::platform::headless
