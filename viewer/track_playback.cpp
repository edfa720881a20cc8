#include "viewer/track_playback.h"

#include <utility>

namespace kemlog::viewer {

CTrackPlayback::CTrackPlayback(PointSource points, PlaybackDriver& driver)
    : points_(std::move(points)), driver_(driver) {}

int32_t CTrackPlayback::Count() const { return points_ ? static_cast<int32_t>(points_().size()) : 0; }

void CTrackPlayback::Restart(double ticks) {
  driver_.StopTimer();
  step_ = static_cast<float>(rememberedCount_ / ticks);
  driver_.StartTimer();
}

void CTrackPlayback::Play() {
  state_ = PlaybackState::Playing;
  rememberedCount_ = Count();
  if (rememberedCount_ > 0) Restart(kPlayTicks);
}

void CTrackPlayback::FastForward() {
  state_ = PlaybackState::FastForward;
  rememberedCount_ = Count();
  if (rememberedCount_ > 0) Restart(kFastTicks);
}

// Walks back over the count remembered at the last Play or FF, which is not refreshed here.
void CTrackPlayback::Rewind() {
  state_ = PlaybackState::Rewinding;
  if (Count() > 0) Restart(kFastTicks);
}

void CTrackPlayback::Pause() {
  state_ = PlaybackState::Paused;
  if (Count() > 0) driver_.StopTimer();
}

void CTrackPlayback::Stop() {
  state_ = PlaybackState::Stopped;
  const auto points = points_ ? points_() : std::span<const track::tagTrackLog>();
  if (points.empty()) return;
  driver_.StopTimer();
  position_ = 0;
  driver_.MovPos(points.front().latitude, points.front().longitude);
}

void CTrackPlayback::EndPlayback() {
  driver_.StopTimer();
  state_ = PlaybackState::Stopped;
  position_ = 0;
}

void CTrackPlayback::OnTick() {
  const int32_t i = static_cast<int32_t>(position_);  // truncation toward zero
  const auto points = points_ ? points_() : std::span<const track::tagTrackLog>();
  // The array may have shrunk since the last Play or FF (another log opened, an import): a point
  // beyond it ends the playback as the end of the route does.
  if (i >= rememberedCount_ || i < 0 || static_cast<size_t>(i) >= points.size()) {
    EndPlayback();
    return;
  }
  const track::tagTrackLog& point = points[static_cast<size_t>(i)];
  switch (state_) {
    case PlaybackState::Playing:
    case PlaybackState::FastForward:
      driver_.MovPos(point.latitude, point.longitude);
      position_ += step_;
      break;
    case PlaybackState::Rewinding:
      driver_.MovPos(point.latitude, point.longitude);
      position_ -= step_;
      break;
    default:
      break;  // paused or stopped: the timer keeps running, nothing moves
  }
}

}  // namespace kemlog::viewer
