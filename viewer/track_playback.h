#pragma once
// Replays the opened log on the map: the moving marker walks the route in a fixed number of timer
// ticks (300 for a normal play, 150 fast), whatever the number of points and their time stamps.

#include <cstdint>
#include <functional>
#include <span>

#include "track/track_log.h"

namespace kemlog::viewer {

enum class PlaybackState : uint8_t { Playing = 1, Paused = 2, Stopped = 3, FastForward = 4, Rewinding = 5 };

inline constexpr int kPlaybackTimerId = 1;
inline constexpr uint32_t kPlaybackTimerMs = 50;
inline constexpr double kPlayTicks = 300.0;
inline constexpr double kFastTicks = 150.0;

// What the playback drives: the page's timer and the map's moving marker.
class PlaybackDriver {
 public:
  virtual ~PlaybackDriver() = default;
  // Starts (or restarts) the 50 ms playback timer.
  virtual void StartTimer() = 0;
  virtual void StopTimer() = 0;
  // Moves the moving marker to the position and centres the map there.
  virtual void MovPos(double latitude, double longitude) = 0;
};

class CTrackPlayback {
 public:
  // `points` returns the page's current point array at each call.
  using PointSource = std::function<std::span<const track::tagTrackLog>()>;
  CTrackPlayback(PointSource points, PlaybackDriver& driver);

  // The five buttons.
  void Play();
  void FastForward();
  void Rewind();
  void Pause();
  void Stop();
  // One tick of the playback timer.
  void OnTick();
  // A log was opened: the state turns Stopped, timer and position stay as they are.
  void MarkStopped() { state_ = PlaybackState::Stopped; }

  PlaybackState State() const { return state_; }
  float Position() const { return position_; }
  float Step() const { return step_; }
  int32_t RememberedCount() const { return rememberedCount_; }

 private:
  int32_t Count() const;
  // Restarts the timer with the step that walks the remembered count in `ticks`.
  void Restart(double ticks);
  void EndPlayback();

  PointSource points_;
  PlaybackDriver& driver_;
  PlaybackState state_ = PlaybackState::Stopped;
  float position_ = 0;
  float step_ = 0;
  int32_t rememberedCount_ = 0;
};

}  // namespace kemlog::viewer
