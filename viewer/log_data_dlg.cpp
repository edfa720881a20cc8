#include "viewer/log_data_dlg.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>

#include "map/html_map_host.h"
#include "track/device_time.h"
#include "track/gpx_file.h"
#include "track/history_row.h"
#include "track/nmea_file.h"
#include "resources/program_texts.h"

namespace kemlog::viewer {

namespace {

namespace res = resources;
using platform::ControlId;
using platform::RectXywh;
using platform::WindowId;

constexpr platform::Colour kWhite = 0xFFFFFF;
constexpr platform::Colour kBlack = 0x000000;
constexpr const char* kTextFace = resources::kRoundedFace;
constexpr int kTextPointSize = 80;  // tenths of a point
constexpr char kStartCount[] = "合計   0履歷";

const platform::ListColumn kPointColumns[] = {
    {"インデックス", 110}, {"時間", 150}, {"緯度", 100}, {"経度", 100}, {"距離", 100},
    {"速度", 100},         {"カロリー", 100}, {"ペース", 100}, {"脈拍数", 100},
};
const platform::ListColumn kHistoryColumns[] = {
    {"日時", 160}, {"所要時間", 80}, {"ペース", 80}, {"消費カロリー", 105}, {"距離", 80},
};

enum PointColumn : int { kIndex, kTime, kLatitude, kLongitude, kDistance, kSpeed, kCalories, kPace, kHeartRate };

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char text[128];
  const int n = std::snprintf(text, sizeof text, format, args...);
  return n < 0 ? std::string() : std::string(text, std::min(static_cast<size_t>(n), sizeof text - 1));
}

std::string DegreesText(double degrees) { return map::FormatCoordinate(degrees) + "°"; }

std::string TimeText(const track::DeviceTime& t) {
  return Format("20%02d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

// Where a control goes for a page of w × h pixels.
struct Placement {
  ControlId control;
  platform::Rect (*rect)(int w, int h);
};

constexpr Placement kLayout[] = {
    {res::kLogBanner, [](int, int) { return RectXywh(1, 2, 269, 25); }},
    {res::kLogCountCaption, [](int, int) { return RectXywh(10, 6, 150, 20); }},
    {res::kLogOpen, [](int, int) { return RectXywh(231, 6, 18, 18); }},
    {res::kLogSave, [](int, int) { return RectXywh(250, 6, 18, 18); }},
    {res::kLogHistoryList, [](int, int h) { return RectXywh(1, 25, 270, h - 26); }},
    {res::kLogConnecting, [](int w, int h) { return RectXywh(272, 2, w - 273, h - 270); }},
    {res::kLogBar, [](int w, int h) { return RectXywh(272, h - 266, w - 274, 22); }},
    {res::kLogGraphTab, [](int, int h) { return RectXywh(274, h - 262, 82, 17); }},
    {res::kLogDetailTab, [](int, int h) { return RectXywh(356, h - 262, 82, 17); }},
    {res::kLogRewind, [](int w, int h) { return RectXywh(w - 97, h - 264, 18, 18); }},
    {res::kLogFastForward, [](int w, int h) { return RectXywh(w - 78, h - 264, 18, 18); }},
    {res::kLogStop, [](int w, int h) { return RectXywh(w - 59, h - 264, 18, 18); }},
    {res::kLogPause, [](int w, int h) { return RectXywh(w - 40, h - 264, 18, 18); }},
    {res::kLogPlay, [](int w, int h) { return RectXywh(w - 21, h - 264, 18, 18); }},
    {res::kLogPointTable, [](int w, int h) { return RectXywh(272, h - 246, w - 273, 245); }},
    {res::kLogGraph, [](int w, int h) { return RectXywh(272, h - 246, w - 273, 245); }},
};

platform::Rect MapRect(int w, int h) { return RectXywh(272, 2, w - 272, h - 270); }

}  // namespace

// Fills the track point table and the point array and draws the route while ReadGpxTrack reads a
// file; keeps the largest distance for the graph.
class CLogDataDlg::TrackReader : public track::GpxTrackConsumer {
 public:
  explicit TrackReader(CLogDataDlg& page) : page_(page), ui_(page.ui_), table_(page.PointTable()) {}

  uint32_t LargestDistance() const { return largest_; }

  void OnPointBegin(int index, double latitude, double longitude) override {
    page_.currentRow_ = ui_.InsertListRow(table_, index, Format("%d", index));
    Cell(kLatitude, DegreesText(latitude));
    Cell(kLongitude, DegreesText(longitude));
    map::CHtmlMapDlg* map = page_.mapView_.Host();
    if (map == nullptr) return;
    if (index == 0) {
      map->DrawFilePathClearAll();
      map->DrawFilePathBegin();
      map->SetCenter(latitude, longitude);
      map->PathStart(latitude, longitude);
    }
    map->DrawFilePathPlot(latitude, longitude);
  }
  void OnTime(const track::DeviceTime& time) override { Cell(kTime, TimeText(time)); }
  void OnDistance(uint32_t metres) override { Cell(kDistance, Format("%.2f km", metres * 0.001)); }
  void OnSpeed(uint32_t speed) override { Cell(kSpeed, Format("%d km/h", static_cast<int>(speed / 10))); }
  void OnCalories(uint32_t calories) override { Cell(kCalories, Format("%.1f kcal", calories * 0.1)); }
  void OnHeartRate(int32_t bpm) override { Cell(kHeartRate, Format("%d", bpm)); }
  void OnPointEnd(const track::tagTrackLog& point) override {
    Cell(kPace, track::PaceText(point.pace));
    page_.points_.push_back(point);
    largest_ = std::max(largest_, point.distance);
  }
  void OnEndOfFile(double latitude, double longitude, bool hasPosition) override {
    map::CHtmlMapDlg* map = page_.mapView_.Host();
    if (map != nullptr && hasPosition) map->DrawFilePathEnd(latitude, longitude);
  }

 private:
  void Cell(int column, const std::string& text) { ui_.SetListCell(table_, page_.currentRow_, column, text); }

  CLogDataDlg& page_;
  platform::Ui& ui_;
  WindowId table_;
  uint32_t largest_ = 0;
};

CLogDataDlg::CLogDataDlg(settings::MainServices& services, LogPageOptions options)
    : services_(services),
      ui_(services.ui),
      options_(std::move(options)),
      mapView_(services.ui),
      chartHost_(services.ui, chart_),
      playback_([this] { return std::span<const track::tagTrackLog>(points_); }, *this) {}

CLogDataDlg::~CLogDataDlg() {
  chartHost_.Detach();
  if (self_) ui_.DestroyWindow(self_);
}

WindowId CLogDataDlg::Part(ControlId control) const { return ui_.Control(self_, control); }

bool CLogDataDlg::CreateInPlaceholder(WindowId parent, ControlId placeholder) {
  const platform::DialogTemplate* dialog = res::FindDialogTemplate(res::kLogDataPage);
  if (dialog == nullptr || self_) return false;
  return static_cast<bool>(platform::CreateInPlaceOf(ui_, *dialog, parent, placeholder, *this));
}

// --- Initialisation ------------------------------------------------------------------------------------

void CLogDataDlg::OnInitDialog(WindowId self) {
  self_ = self;
  ui_.SetBackground(self_, kWhite);
  CreateMap();
  ShowMap(CheckMapService());
  // The banners and buttons are skinned from the template's picture ids; the Graph view is the one
  // shown at start.
  if (const platform::DialogTemplate* dialog = res::FindDialogTemplate(res::kLogDataPage)) {
    skin_.Attach(ui_, self, *dialog);
  }
  skin_.SetLatched(res::kLogGraphTab, true);
  ui_.Show(Part(res::kLogGraph), true);
  ui_.Show(Part(res::kLogPointTable), false);
  ui_.SetText(Part(res::kLogCountCaption), kStartCount);
  StyleControls();
  LayoutLogPage(kLogPageWidth, kLogPageHeight);
  AddColumns();
  ui_.Show(HistoryList(), true);
  SetUpGraph();
}

void CLogDataDlg::CreateMap() {
  if (!mapView_.CreateInPlaceholder(self_, res::kLogMapPlaceholder)) return;
  if (map::CHtmlMapDlg* map = mapView_.Host()) map->LoadMapPage(options_.mapResourceBase);
}

bool CLogDataDlg::CheckMapService() const {
  return options_.mapServiceReachable ? options_.mapServiceReachable() : true;
}

void CLogDataDlg::ShowMap(bool ready) {
  mapReady_ = ready;
  ui_.Show(Part(res::kLogConnecting), !ready);
  if (mapView_.Window()) ui_.Show(mapView_.Window(), ready);
}

// "Connecting..." black on white; every other text white over what lies behind it.
void CLogDataDlg::StyleControls() {
  const platform::Font font{kTextFace, kTextPointSize};
  ui_.SetTextStyle(Part(res::kLogConnecting), platform::TextStyle{kBlack, kWhite, font});
  ui_.SetTextStyle(Part(res::kLogCountCaption), platform::TextStyle{kWhite, std::nullopt, font});
}

void CLogDataDlg::AddColumns() {
  for (const platform::ListColumn& column : kPointColumns) ui_.AddListColumn(PointTable(), column);
  for (const platform::ListColumn& column : kHistoryColumns) ui_.AddListColumn(HistoryList(), column);
}

void CLogDataDlg::SetUpGraph() {
  chartHost_.Attach(Part(res::kLogGraph));
  if (options_.graph.setUp) options_.graph.setUp(chart_);
}

void CLogDataDlg::LayoutLogPage(int width, int height) {
  for (const Placement& p : kLayout) ui_.Move(Part(p.control), p.rect(width, height), true);
  if (mapView_.Window()) ui_.Move(mapView_.Window(), MapRect(width, height), true);
}

// --- Painting ------------------------------------------------------------------------------------------

// Until the map service has been reached, every paint checks again; the first success reloads the
// map page and shows the map.
void CLogDataDlg::OnPaint(platform::Canvas& /*canvas*/) {
  if (mapReady_ || !CheckMapService()) return;
  if (map::CHtmlMapDlg* map = mapView_.Host()) map->LoadMapPage(options_.mapResourceBase);
  ShowMap(true);
}

// --- The log file list ---------------------------------------------------------------------------------

int CLogDataDlg::AddLogFile(const std::string& path) {
  std::lock_guard lock(logFilesMutex_);
  logFiles_.push_back(tagTrackHistory{path});
  return static_cast<int>(logFiles_.size()) - 1;
}

std::vector<tagTrackHistory> CLogDataDlg::LogFiles() const {
  std::lock_guard lock(logFilesMutex_);
  return logFiles_;
}

std::vector<std::string> CLogDataDlg::LogFilePaths() const {
  std::lock_guard lock(logFilesMutex_);
  std::vector<std::string> paths;
  for (const tagTrackHistory& entry : logFiles_) paths.push_back(entry.filePath);
  return paths;
}

void CLogDataDlg::ClearLogFiles() {
  std::lock_guard lock(logFilesMutex_);
  logFiles_.clear();
}

int CLogDataDlg::LogFileCount() const {
  std::lock_guard lock(logFilesMutex_);
  return static_cast<int>(logFiles_.size());
}

void CLogDataDlg::RefreshLogCount() {
  ui_.SetText(Part(res::kLogCountCaption), Format("合計   %d 履歷", LogFileCount()));
  // The caption is transparent: the banner under it is painted again.
  ui_.Invalidate(self_, true);
  ui_.UpdateNow(self_);
}

// --- Opening a log -------------------------------------------------------------------------------------

void CLogDataDlg::OpenLog(int row) {
  uint32_t largest = 0;
  if (std::optional<std::string> path = LogFilePath(row)) {
    platform::WaitCursor wait(ui_);
    ui_.DeleteAllListRows(PointTable());
    points_.clear();
    playback_.MarkStopped();
    TrackReader reader(*this);
    track::ReadGpxTrack(*path, reader);
    largest = reader.LargestDistance();
  }
  FillGraph(largest);
}

std::optional<std::string> CLogDataDlg::LogFilePath(int row) const {
  std::lock_guard lock(logFilesMutex_);
  if (row < 0 || row >= static_cast<int>(logFiles_.size())) return std::nullopt;
  return logFiles_[static_cast<size_t>(row)].filePath;
}

void CLogDataDlg::FillGraph(uint32_t largestDistance) {
  if (options_.graph.fillGraph) options_.graph.fillGraph(points_, largestDistance);
}

void CLogDataDlg::ShowPointOnMap(int index) {
  if (index < 0 || index >= static_cast<int>(points_.size())) return;
  const track::tagTrackLog& point = points_[static_cast<size_t>(index)];
  if (map::CHtmlMapDlg* map = mapView_.Host()) map->SetPos(point.latitude, point.longitude);
}

void CLogDataDlg::OnListClick(ControlId list, int row) {
  if (list == res::kLogPointTable) ShowPointOnMap(row);
}

void CLogDataDlg::OnListDoubleClick(ControlId list, int row) {
  if (list == res::kLogHistoryList) OpenLog(row);
}

// --- Buttons -------------------------------------------------------------------------------------------

void CLogDataDlg::ShowGraph() {
  ui_.Show(PointTable(), false);
  ui_.Show(Part(res::kLogGraph), true);
  skin_.SetLatched(res::kLogGraphTab, true);
  skin_.SetLatched(res::kLogDetailTab, false);
}

void CLogDataDlg::ShowDetail() {
  ui_.Show(PointTable(), true);
  ui_.Show(Part(res::kLogGraph), false);
  skin_.SetLatched(res::kLogGraphTab, false);
  skin_.SetLatched(res::kLogDetailTab, true);
}

void CLogDataDlg::OnCommand(ControlId control) {
  using Handler = void (CLogDataDlg::*)();
  struct Button {
    ControlId id;
    Handler handler;
  };
  static constexpr Button kButtons[] = {
      {res::kLogGraphTab, &CLogDataDlg::ShowGraph},
      {res::kLogDetailTab, &CLogDataDlg::ShowDetail},
      {res::kLogSave, &CLogDataDlg::ExportNmeaFile},
      {res::kLogOpen, &CLogDataDlg::ImportNmeaFile},
  };
  for (const Button& b : kButtons) {
    if (b.id == control) return (this->*b.handler)();
  }
  using PlaybackHandler = void (CTrackPlayback::*)();
  struct PlaybackButton {
    ControlId id;
    PlaybackHandler handler;
  };
  static constexpr PlaybackButton kPlaybackButtons[] = {
      {res::kLogPlay, &CTrackPlayback::Play},       {res::kLogFastForward, &CTrackPlayback::FastForward},
      {res::kLogRewind, &CTrackPlayback::Rewind},   {res::kLogPause, &CTrackPlayback::Pause},
      {res::kLogStop, &CTrackPlayback::Stop},
  };
  for (const PlaybackButton& b : kPlaybackButtons) {
    if (b.id == control) return (playback_.*b.handler)();
  }
}

// --- NMEA files ----------------------------------------------------------------------------------------

platform::FileDialogRequest CLogDataDlg::NmeaFileRequest(platform::FileDialogKind kind, const char* title,
                                                         uint32_t flags) const {
  platform::FileDialogRequest request;
  request.kind = kind;
  request.owner = self_;
  request.title = title;
  request.filter = kNmeaFilter;
  request.defaultExtension = kNmeaDefaultExtension;
  request.flags = platform::kHideReadOnly | flags;
  return request;
}

void CLogDataDlg::ExportNmeaFile() {
  std::optional<std::string> path =
      ui_.FileDialog(NmeaFileRequest(platform::FileDialogKind::Save, kNmeaSaveTitle, platform::kOverwritePrompt));
  if (!path) return;
  nmeaSavePath_ = *path;
  if (LogFileCount() == 0) return;  // nothing downloaded or imported in this run
  if (!track::WriteNmeaFile(nmeaSavePath_, points_)) ui_.ShowMessageBox(self_, kNmeaWriteFailed, kMessageCaption);
}

void CLogDataDlg::ImportNmeaFile() {
  std::optional<std::string> path = ui_.FileDialog(NmeaFileRequest(
      platform::FileDialogKind::Open, kNmeaOpenTitle, platform::kPathMustExist | platform::kFileMustExist));
  if (!path) return;
  nmeaOpenPath_ = *path;
  track::NmeaReadResult read = track::ReadNmeaFile(nmeaOpenPath_);
  if (!read.opened) return;
  // The point array is the import's working store and keeps what was read.
  points_ = read.points;
  std::optional<track::ImportedLog> log = track::BuildImportedLog(read);
  if (!log) return;
  const int index = LogFileCount();
  const int at = ui_.InsertListRow(HistoryList(), index, log->row[0]);
  for (size_t column = 1; at >= 0 && column < log->row.size(); ++column) {
    ui_.SetListCell(HistoryList(), at, static_cast<int>(column), log->row[column]);
  }
  services_.logFolderPath = services_.defaultLogFolder;
  const std::string stored = track::StoreImportedLog(*log, services_.defaultLogFolder, [this](const std::string& m) {
    ui_.ShowMessageBox(self_, m, kMessageCaption);
  });
  AddLogFile(stored);
  RefreshLogCount();
}

// --- Playback ------------------------------------------------------------------------------------------

void CLogDataDlg::OnTimer(int timerId) {
  if (timerId == kPlaybackTimerId) playback_.OnTick();
}

void CLogDataDlg::StartTimer() { ui_.SetTimer(self_, kPlaybackTimerId, kPlaybackTimerMs); }

void CLogDataDlg::StopTimer() { ui_.KillTimer(self_, kPlaybackTimerId); }

void CLogDataDlg::MovPos(double latitude, double longitude) {
  if (map::CHtmlMapDlg* map = mapView_.Host()) map->MovPos(latitude, longitude);
}

// --- End -----------------------------------------------------------------------------------------------

void CLogDataDlg::OnDestroy() {
  chartHost_.Detach();
  skin_.Detach();
  self_ = {};
}

}  // namespace kemlog::viewer
