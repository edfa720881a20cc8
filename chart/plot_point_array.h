#pragma once
// The points of a series, kept sorted by a key, with their bounds.

#include <cstdint>
#include <memory>
#include <span>

namespace kemlog::chart {

struct SPlotXYPoint {
  double x = 0;
  double y = 0;
  friend bool operator==(const SPlotXYPoint&, const SPlotXYPoint&) = default;
};

enum class PointOrdering : uint8_t { None = 0, ByX = 1, ByY = 2 };

class CPlotPointArray {
 public:
  // Capacity at creation and after Clear.
  static constexpr uint32_t kGrowthStep = 1000;

  CPlotPointArray();

  // Replaces all points by (xs[i], ys[i]) and sorts them stably by the ordering. The buffer grows to
  // exactly the count when it is too small. False, changing nothing, when the arrays differ in
  // length or hold more points than a 32-bit count.
  bool Assign(std::span<const double> xs, std::span<const double> ys);
  // Removes all points and shrinks the buffer back to the growth step.
  void Clear();
  // Re-sorts stably by the new key.
  void SetOrdering(PointOrdering ordering);
  PointOrdering Ordering() const { return ordering_; }

  uint32_t Count() const { return count_; }
  uint32_t Capacity() const { return capacity_; }
  const SPlotXYPoint& operator[](uint32_t index) const { return buffer_[index]; }
  std::span<const SPlotXYPoint> Points() const { return {buffer_.get(), count_}; }
  // The sort key of a point: X, Y, or X when unordered.
  double Key(uint32_t index) const { return ordering_ == PointOrdering::ByY ? buffer_[index].y : buffer_[index].x; }

  // Bounds over all points other than NaN; meaningful only while the count is above 0.
  double MinX() const { return minX_; }
  double MaxX() const { return maxX_; }
  double MinY() const { return minY_; }
  double MaxY() const { return maxY_; }

 private:
  void Sort();
  void ComputeBounds();

  double minX_ = 0;
  double maxX_ = 0;
  double minY_ = 0;
  double maxY_ = 0;
  std::unique_ptr<SPlotXYPoint[]> buffer_;
  uint32_t capacity_ = 0;
  uint32_t count_ = 0;
  uint32_t growthStep_ = kGrowthStep;
  PointOrdering ordering_ = PointOrdering::ByX;
};

}  // namespace kemlog::chart
