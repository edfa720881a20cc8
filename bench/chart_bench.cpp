// Cost of the chart for one long log: SetPoints and a full frame for 100,000 points in an 800 x 250
// window, and IsPointOnSeries for a click, with the whole log in view and zoomed in. Prints the
// times and the number of polyline points drawn.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "chart/plot_ctrl.h"
#include "platform/headless/recording_canvas.h"

namespace {

using namespace kemlog;
using chart::PlotAxisPosition;
using platform::Point;

constexpr int kPoints = 100000;

// Draws nothing and keeps only counts, so that the figures are the chart's own work.
class CountingCanvas : public platform::Canvas {
 public:
  CountingCanvas(int width, int height, long* polylinePoints) : size_{width, height}, polylinePoints_(polylinePoints) {}
  platform::Size SurfaceSize() const override { return size_; }
  void DrawLine(Point, Point, const platform::Pen&) override {}
  void DrawPolyline(std::span<const Point> points, const platform::Pen&) override {
    *polylinePoints_ += static_cast<long>(points.size());
  }
  void DrawRectangle(const platform::Rect&, const platform::Pen&) override {}
  void FillRect(const platform::Rect&, platform::Colour) override {}
  void DrawRaisedEdge(const platform::Rect&) override {}
  void DrawText(Point, std::string_view, const platform::Font&, platform::Colour) override {}
  platform::Size TextExtent(std::string_view text, const platform::Font& font) override {
    return platform::headless::RecordingCanvas::MeasureText(text, font);
  }
  void PushClip(const platform::Rect&) override {}
  void PopClip() override {}
  std::unique_ptr<platform::Canvas> CreateSurface(int width, int height) override {
    return std::make_unique<CountingCanvas>(width, height, polylinePoints_);
  }
  void CopySurface(const platform::Canvas&, Point) override {}

 private:
  platform::Size size_;
  long* polylinePoints_;
};

class BenchHost : public chart::PlotHost {
 public:
  chart::Size ClientSize() const override { return {800, 250}; }
  std::unique_ptr<platform::Canvas> CreateSurface(int width, int height) override {
    return std::make_unique<CountingCanvas>(width, height, &polylinePoints);
  }
  void Invalidate() override {}
  void UpdateNow() override {}
  void SetCapture() override {}
  void ReleaseCapture() override {}
  void SetCursor(chart::PlotCursor) override {}
  long polylinePoints = 0;
};

// Mean seconds per run over `runs` runs.
double Time(int runs, const std::function<void()>& step) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < runs; ++i) step();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / runs;
}

// A marathon: distance rising by about 0.42 m a point, pace around 5.5 min/km with noise.
void MakeRun(std::vector<double>& xs, std::vector<double>& ys) {
  std::mt19937 random(4170);
  std::normal_distribution<double> noise(0, 0.3);
  xs.resize(kPoints);
  ys.resize(kPoints);
  double distance = 0;
  for (int i = 0; i < kPoints; ++i) {
    distance += 0.42195 * (1 + 0.2 * std::sin(i * 0.001));
    xs[i] = distance;
    ys[i] = 5.5 + 0.5 * std::sin(i * 0.0005) + noise(random);
  }
}

}  // namespace

int main() {
  BenchHost host;
  chart::CPlotCtrl chart;
  chart.Attach(&host);
  chart::CPlotStandardAxis* bottom = chart.AddStandardAxis(PlotAxisPosition::Bottom);
  chart::CPlotStandardAxis* left = chart.AddStandardAxis(PlotAxisPosition::Left);
  chart.AddStandardAxis(PlotAxisPosition::Right)->SetRange(0, 210);
  left->SetRange(0, 70);
  left->SetManualTickStep(10);
  chart::CPlotLineSeries* series = chart.AddLineSeries();

  std::vector<double> xs, ys;
  MakeRun(xs, ys);
  bottom->SetRange(0, xs.back());
  bottom->SetManualTickStep(10000);

  // Points only (the frame is held back), in order and shuffled, which needs the sort.
  chart.EnableRedraw(false);
  const double setSorted = Time(20, [&] { series->SetPoints(xs, ys); });
  std::vector<double> shuffledXs = xs;
  std::shuffle(shuffledXs.begin(), shuffledXs.end(), std::mt19937(1));
  const double setShuffled = Time(5, [&] { series->SetPoints(shuffledXs, ys); });
  series->SetPoints(xs, ys);
  chart.EnableRedraw(true);

  host.polylinePoints = 0;
  const double frame = Time(20, [&] { chart.RedrawChart(); });
  const long drawnFull = host.polylinePoints / 20;
  const chart::Rect plot = chart.PlottingRect();

  // A click on the line at the middle point, and one away from it (every visible segment tried).
  const Point onLine = series->PointToPixel(kPoints / 2);
  uint32_t index = 0;
  bool hit = false;
  const double clickOn = Time(200, [&] { hit = series->IsPointOnSeries(onLine, index); });
  const Point away{onLine.x, plot.top + 1};
  bool missed = true;
  const double clickAway = Time(200, [&] { missed = !series->IsPointOnSeries(away, index); });

  // Zoomed into 1 km of the 42: only the visible points and their neighbours are touched.
  bottom->SetRange(20000, 21000);
  host.polylinePoints = 0;
  const double frameZoomed = Time(200, [&] { chart.RedrawChart(); });
  const long drawnZoomed = host.polylinePoints / 200;
  const Point awayZoomed{(plot.left + plot.right) / 2, plot.top + 1};
  const double clickZoomed = Time(2000, [&] { series->IsPointOnSeries(awayZoomed, index); });

  std::printf("chart of %d points in an 800 x 250 window, plotting area %d x %d\n", kPoints, plot.Width(),
              plot.Height());
  std::printf("%-40s %10.3f ms\n", "SetPoints, in distance order", setSorted * 1e3);
  std::printf("%-40s %10.3f ms\n", "SetPoints, shuffled (stable sort)", setShuffled * 1e3);
  std::printf("%-40s %10.3f ms   %ld polyline points drawn\n", "full frame, whole log", frame * 1e3, drawnFull);
  std::printf("%-40s %10.3f ms   %s\n", "IsPointOnSeries, click on the line", clickOn * 1e3, hit ? "hit" : "MISSED");
  std::printf("%-40s %10.3f ms   %s\n", "IsPointOnSeries, click off the line", clickAway * 1e3,
              missed ? "no hit" : "UNEXPECTED HIT");
  std::printf("%-40s %10.3f ms   %ld polyline points drawn\n", "full frame, 1 km of 42 in view", frameZoomed * 1e3,
              drawnZoomed);
  std::printf("%-40s %10.3f ms\n", "IsPointOnSeries off the line, zoomed", clickZoomed * 1e3);
  return hit && missed ? 0 : 1;
}
