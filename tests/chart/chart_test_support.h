#pragma once
// Helpers of the chart tests: a fake window and a few lookups in the recorded operations.

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "chart/plot_host.h"
#include "platform/headless/recording_canvas.h"

namespace kemlog::chart::testing {

using platform::headless::CanvasOp;
using platform::headless::RecordedOp;
using platform::headless::RecordingCanvas;

class FakePlotHost : public PlotHost {
 public:
  FakePlotHost(int width, int height) : window(width, height), size{width, height} {}

  Size ClientSize() const override { return size; }
  std::unique_ptr<platform::Canvas> CreateSurface(int width, int height) override {
    return window.CreateSurface(width, height);
  }
  void Invalidate() override { ++invalidations; }
  void UpdateNow() override { ++updates; }
  void SetCapture() override { captured = true; }
  void ReleaseCapture() override { captured = false; }
  void SetCursor(PlotCursor kind) override { cursor = kind; }

  // Frames rendered off screen: each starts with the background fill.
  int Frames() const {
    return static_cast<int>(std::count_if(window.Ops().begin(), window.Ops().end(), [](const RecordedOp& op) {
      return op.kind == CanvasOp::Fill && op.surface != 0;
    }));
  }
  // The operations of the latest frame, from its background fill on.
  std::vector<RecordedOp> LastFrame() const {
    const auto& ops = window.Ops();
    auto start = std::find_if(ops.rbegin(), ops.rend(), [](const RecordedOp& op) {
      return op.kind == CanvasOp::Fill && op.surface != 0;
    });
    if (start == ops.rend()) return {};
    return {std::prev(start.base()), ops.end()};
  }

  RecordingCanvas window;
  Size size;
  int invalidations = 0;
  int updates = 0;
  bool captured = false;
  PlotCursor cursor = PlotCursor::Arrow;
};

inline std::vector<RecordedOp> OfKind(const std::vector<RecordedOp>& ops, CanvasOp kind) {
  std::vector<RecordedOp> found;
  std::copy_if(ops.begin(), ops.end(), std::back_inserter(found), [kind](const RecordedOp& op) { return op.kind == kind; });
  return found;
}

inline std::vector<std::string> Texts(const std::vector<RecordedOp>& ops) {
  std::vector<std::string> texts;
  for (const RecordedOp& op : OfKind(ops, CanvasOp::Text)) texts.push_back(op.text);
  return texts;
}

// The text operation showing `text`, or nullptr.
inline const RecordedOp* FindText(const std::vector<RecordedOp>& ops, const std::string& text) {
  auto it = std::find_if(ops.begin(), ops.end(), [&](const RecordedOp& op) { return op.kind == CanvasOp::Text && op.text == text; });
  return it == ops.end() ? nullptr : &*it;
}

}  // namespace kemlog::chart::testing
