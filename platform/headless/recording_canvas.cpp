#include "platform/headless/recording_canvas.h"

#include <algorithm>

namespace kemlog::platform::headless {

struct RecordingCanvas::Journal {
  std::vector<RecordedOp> ops;
  int surfaces = 0;
  std::vector<RecordedPicture> pictures;
};

RecordingCanvas::RecordingCanvas(int width, int height)
    : RecordingCanvas(SurfaceKey{}, std::make_shared<Journal>(), 0, width, height) {}

RecordingCanvas::RecordingCanvas(SurfaceKey, std::shared_ptr<Journal> journal, int number, int width, int height)
    : journal_(std::move(journal)), number_(number), size_{width, height}, raster_(width, height) {}

namespace {

std::optional<Rect> ClipOf(const std::vector<Rect>& clips) {
  if (clips.empty()) return std::nullopt;
  return clips.back();
}

}  // namespace

RecordedOp& RecordingCanvas::Record(CanvasOp kind) {
  RecordedOp& op = journal_->ops.emplace_back();
  op.surface = number_;
  op.kind = kind;
  op.clip = ClipOf(clips_);
  return op;
}

void RecordingCanvas::DrawLine(Point from, Point to, const Pen& pen) {
  RecordedOp& op = Record(CanvasOp::Line);
  op.pen = pen;
  op.points = {from, to};
}

void RecordingCanvas::DrawPolyline(std::span<const Point> points, const Pen& pen) {
  RecordedOp& op = Record(CanvasOp::Polyline);
  op.pen = pen;
  op.points.assign(points.begin(), points.end());
}

void RecordingCanvas::DrawRectangle(const Rect& rect, const Pen& pen) {
  RecordedOp& op = Record(CanvasOp::Rectangle);
  op.pen = pen;
  op.rect = rect;
}

void RecordingCanvas::FillRect(const Rect& rect, Colour colour) {
  RecordedOp& op = Record(CanvasOp::Fill);
  op.rect = rect;
  op.colour = colour;
  raster_.Fill(rect, OpaqueRgba(colour), ClipOf(clips_));
}

void RecordingCanvas::DrawRaisedEdge(const Rect& rect) { Record(CanvasOp::Edge).rect = rect; }

void RecordingCanvas::DrawText(Point at, std::string_view text, const Font& font, Colour colour) {
  RecordedOp& op = Record(CanvasOp::Text);
  op.points = {at};
  op.text = std::string(text);
  op.font = font;
  op.colour = colour;
}

Size RecordingCanvas::MeasureText(std::string_view text, const Font& font) {
  // Count code points: every byte that does not continue a UTF-8 sequence starts a character.
  const auto characters = std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  });
  const int size = std::max(font.size, 0);
  return {static_cast<int>(characters) * ((size * 6 + 50) / 100), (size * 12 + 50) / 100};
}

Size RecordingCanvas::TextExtent(std::string_view text, const Font& font) { return MeasureText(text, font); }

void RecordingCanvas::PushClip(const Rect& rect) {
  clips_.push_back(clips_.empty() ? rect : Intersect(rect, clips_.back()));
}

void RecordingCanvas::PopClip() {
  if (!clips_.empty()) clips_.pop_back();
}

std::unique_ptr<Canvas> RecordingCanvas::CreateSurface(int width, int height) {
  const int number = ++journal_->surfaces;
  RecordedOp& op = Record(CanvasOp::CreateSurface);
  op.rect = {0, 0, width, height};
  op.other = number;
  return std::make_unique<RecordingCanvas>(SurfaceKey{}, journal_, number, width, height);
}

void RecordingCanvas::CopySurface(const Canvas& surface, Point at) {
  const auto* recording = dynamic_cast<const RecordingCanvas*>(&surface);
  RecordedOp& op = Record(CanvasOp::CopySurface);
  op.points = {at};
  op.other = recording ? recording->number_ : -1;
  if (recording) raster_.Copy(recording->raster_.Pixels(), at, ClipOf(clips_));
}

const std::vector<RecordedOp>& RecordingCanvas::Ops() const { return journal_->ops; }

void RecordingCanvas::ClearOps() { journal_->ops.clear(); }

std::vector<RecordedOp> RecordingCanvas::OpsOf(CanvasOp kind, int surface) const {
  std::vector<RecordedOp> found;
  for (const RecordedOp& op : journal_->ops) {
    if (op.kind == kind && op.surface == surface) found.push_back(op);
  }
  return found;
}

void RecordingCanvas::DrawPicture(const Rect& target, const Picture& picture, const ColourMatrix& matrix) {
  RecordedPicture& drawn = journal_->pictures.emplace_back();
  drawn.surface = number_;
  drawn.sequence = journal_->ops.size();
  drawn.target = target;
  drawn.picture = picture;
  drawn.matrix = matrix;
  drawn.clip = ClipOf(clips_);
  raster_.DrawPicture(target, picture, matrix, drawn.clip);
}

const std::vector<RecordedPicture>& RecordingCanvas::Pictures() const { return journal_->pictures; }

std::vector<RecordedPicture> RecordingCanvas::PicturesOf(int surface) const {
  std::vector<RecordedPicture> found;
  for (const RecordedPicture& picture : journal_->pictures) {
    if (picture.surface == surface) found.push_back(picture);
  }
  return found;
}

void RecordingCanvas::ClearPictures() { journal_->pictures.clear(); }

}  // namespace kemlog::platform::headless
