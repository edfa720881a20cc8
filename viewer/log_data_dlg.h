#pragma once
// CLogDataDlg: the log data page of the main window. A history list of the run's logs; a double
// click reads that log's GPX file into the track point table and the point array, draws its route
// on the map and fills the graph. Under the map: the Graph and Detail view buttons and the five
// playback buttons; at the top: NMEA export (Save) and import (Open).

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "chart/plot_ctrl.h"
#include "platform/ui.h"
#include "resources/dialog_templates.h"
#include "settings/main_services.h"
#include "skin/dialog_skin.h"
#include "track/track_log.h"
#include "viewer/internet_check.h"
#include "viewer/map_view.h"
#include "viewer/plot_control_host.h"
#include "viewer/track_playback.h"
#include "resources/program_texts.h"

namespace kemlog::viewer {

struct tagTrackHistory {
  std::string filePath;  // the log's GPX file
  bool operator==(const tagTrackHistory&) const = default;
};


// What fills the graph from the page's points: its set-up once, at the page's initialisation, on
// the chart of control 1043, and its fill after every opening of a log.
struct GraphHooks {
  std::function<void(chart::CPlotCtrl& chart)> setUp;
  std::function<void(std::span<const track::tagTrackLog> points, uint32_t largestDistance)> fillGraph;
};

struct LogPageOptions {
  // Empty: the map is taken as reachable (a backend without a connection check).
  InternetCheck mapServiceReachable;
  GraphHooks graph;
  // Where the map page's relative addresses (the marker picture "196") resolve.
  std::string mapResourceBase = "res://kemlog.exe/";
};

inline constexpr int kLogPageWidth = 894;
inline constexpr int kLogPageHeight = 562;
inline constexpr char kNmeaFilter[] = "NMEA File(*.nmea) |*.nmea||";
inline constexpr char kNmeaDefaultExtension[] = "*.nmea";
inline constexpr char kNmeaSaveTitle[] = "名前を付けて保存";
inline constexpr char kNmeaOpenTitle[] = "ファイルを開く";
inline constexpr char kNmeaWriteFailed[] = "軌跡データの作成ができませんでした。";
inline constexpr const char* kMessageCaption = resources::kProductName;

class CLogDataDlg : public platform::DialogHandler, private PlaybackDriver {
 public:
  explicit CLogDataDlg(settings::MainServices& services, LogPageOptions options = {});
  ~CLogDataDlg() override;
  CLogDataDlg(const CLogDataDlg&) = delete;
  CLogDataDlg& operator=(const CLogDataDlg&) = delete;

  // Replaces the parent's placeholder control by the page (the placeholder's rectangle shrunk by 2
  // pixels on every side), on top and shown. False when the placeholder does not exist.
  bool CreateInPlaceholder(platform::WindowId parent, platform::ControlId placeholder);
  platform::WindowId Window() const { return self_; }
  platform::WindowId HistoryList() const { return Part(resources::kLogHistoryList); }
  platform::WindowId PointTable() const { return Part(resources::kLogPointTable); }

  // Any thread: appends a log and returns its index, the history row it belongs to.
  int AddLogFile(const std::string& path);
  // Any thread: copies of the log file list.
  std::vector<tagTrackHistory> LogFiles() const;
  std::vector<std::string> LogFilePaths() const;
  void ClearLogFiles();
  // Sets the count caption to the log file list's count and repaints the banner under it.
  void RefreshLogCount();
  void LayoutLogPage(int width, int height);

  // Opens the log of a history row (a row outside the list reads nothing).
  void OpenLog(int row);
  // Puts the selection marker on point i of the point array; nothing for other indexes.
  void ShowPointOnMap(int index);
  void ShowGraph();
  void ShowDetail();
  void ExportNmeaFile();
  void ImportNmeaFile();

  // Reading the page's state.
  std::span<const track::tagTrackLog> Points() const { return points_; }
  int CurrentRow() const { return currentRow_; }
  bool MapReady() const { return mapReady_; }
  bool GraphLatched() const { return skin_.IsLatched(resources::kLogGraphTab); }
  bool DetailLatched() const { return skin_.IsLatched(resources::kLogDetailTab); }
  const skin::DialogSkin& Skin() const { return skin_; }
  const std::string& NmeaOpenPath() const { return nmeaOpenPath_; }
  const std::string& NmeaSavePath() const { return nmeaSavePath_; }
  CTrackPlayback& Playback() { return playback_; }
  const CTrackPlayback& Playback() const { return playback_; }
  CMapView& MapView() { return mapView_; }
  // The chart of control 1043; it lives as long as the page, so whatever it holds listeners of
  // (the graph panel) must go before the page.
  chart::CPlotCtrl& Chart() { return chart_; }
  // Set before CreateInPlaceholder for the set-up to run.
  void SetGraphHooks(GraphHooks hooks) { options_.graph = std::move(hooks); }

  // DialogHandler.
  void OnInitDialog(platform::WindowId self) override;
  void OnCommand(platform::ControlId control) override;
  void OnTimer(int timerId) override;
  void OnPaint(platform::Canvas& canvas) override;
  void OnListClick(platform::ControlId list, int row) override;
  void OnListDoubleClick(platform::ControlId list, int row) override;
  void OnDestroy() override;

 private:
  // The NMEA file dialog of the Save or Open button.
  platform::FileDialogRequest NmeaFileRequest(platform::FileDialogKind kind, const char* title, uint32_t flags) const;
  class TrackReader;

  platform::WindowId Part(platform::ControlId control) const;
  void CreateMap();
  bool CheckMapService() const;
  void ShowMap(bool ready);
  void StyleControls();
  void AddColumns();
  void SetUpGraph();
  void FillGraph(uint32_t largestDistance);
  int LogFileCount() const;
  std::optional<std::string> LogFilePath(int row) const;

  // PlaybackDriver.
  void StartTimer() override;
  void StopTimer() override;
  void MovPos(double latitude, double longitude) override;

  settings::MainServices& services_;
  platform::Ui& ui_;
  LogPageOptions options_;
  platform::WindowId self_;

  // Written by the download worker while the user-interface thread may read it.
  mutable std::mutex logFilesMutex_;
  std::vector<tagTrackHistory> logFiles_;

  std::vector<track::tagTrackLog> points_;
  int currentRow_ = 0;
  bool mapReady_ = false;
  std::string nmeaOpenPath_;
  std::string nmeaSavePath_;
  skin::DialogSkin skin_;

  CMapView mapView_;
  chart::CPlotCtrl chart_;
  CPlotControlHost chartHost_;
  CTrackPlayback playback_;
};

}  // namespace kemlog::viewer
