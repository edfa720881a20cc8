#pragma once
// The dialog toolkit without a screen: an in-memory tree of windows and controls, an event queue and
// timers on a virtual clock. Tests drive it as a user would (press a button, click a list row, hover,
// drag the mouse, resize, answer file dialogs) and read back what a user would see.
//
// Rules of this backend:
// - Top-level windows have no frame: their client size is their outer size.
// - Paints are the lowest-priority work, as on real desktops: a paint runs only when no posted work,
//   close request or event is waiting. Hidden windows are not painted.
// - A modal loop, when it has nothing to do, first runs the test's queued steps, then moves the
//   virtual clock on to the next timer, and then waits for another thread to post something. That
//   last wait is bounded in real time (SetLoopLimit): a loop that would wait for ever ends its dialog
//   with result -1 and LoopTimedOut() turns true, so a faulty test fails instead of hanging. A loop
//   that only turns its own timers, with no test step and no call from another thread within the
//   limit, ends the same way.
// - Timers never fire more often than every 10 ms, and a late timer fires once, not once per missed
//   period.
// - Input reaches a control only when it and all its parents are visible and enabled; the owner of a
//   modal dialog is disabled while it runs.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/headless/recording_canvas.h"
#include "platform/headless/recording_webview.h"
#include "platform/headless/virtual_clock.h"
#include "platform/ui.h"

namespace kemlog::platform::headless {

struct ShownMessageBox {
  WindowId owner;
  std::string text;
  std::string caption;
};

class HeadlessUi : public Ui {
 public:
  explicit HeadlessUi(VirtualClock& clock);
  ~HeadlessUi() override;
  HeadlessUi(const HeadlessUi&) = delete;
  HeadlessUi& operator=(const HeadlessUi&) = delete;

  // --- Ui ------------------------------------------------------------------------------------------
  WindowId CreateChildDialog(const DialogTemplate& dialog, WindowId parent, DialogHandler& handler) override;
  int RunModal(const DialogTemplate& dialog, WindowId owner, DialogHandler& handler) override;
  void EndDialog(WindowId dialog, int result) override;
  void PostClose(WindowId window) override;
  void DestroyWindow(WindowId window) override;

  WindowId Control(WindowId dialog, ControlId control) const override;
  bool Move(WindowId window, const Rect& rect, bool repaint = true) override;
  Rect Geometry(WindowId window) const override;
  Size ClientSize(WindowId window) const override;
  void Show(WindowId window, bool shown) override;
  bool IsVisible(WindowId window) const override;
  void Enable(WindowId window, bool enabled) override;
  bool IsEnabled(WindowId window) const override;
  void SetText(WindowId window, std::string_view text) override;
  std::string Text(WindowId window) const override;
  void BringToTop(WindowId window) override;
  void Minimize(WindowId window) override;
  void Invalidate(WindowId window, bool erase = true) override;
  void UpdateNow(WindowId window) override;

  void SetBackground(WindowId window, Colour colour) override;
  void SetTextStyle(WindowId control, const TextStyle& style) override;
  void SetDelegate(WindowId control, ControlDelegate* delegate) override;
  bool CopyParentPixels(WindowId control, Picture& pixels) override;
  std::unique_ptr<Canvas> CreateSurface(WindowId window, int width, int height) override;
  WebView* WebViewOf(WindowId control) override;

  void SetCapture(WindowId window) override;
  void ReleaseCapture() override;
  void SetCursor(CursorKind cursor) override;

  void AddListColumn(WindowId list, const ListColumn& column) override;
  int InsertListRow(WindowId list, int index, std::string_view firstCell) override;
  bool SetListCell(WindowId list, int row, int column, std::string_view text) override;
  void DeleteAllListRows(WindowId list) override;
  int ListRowCount(WindowId list) const override;
  std::string ListCell(WindowId list, int row, int column) const override;
  int SelectedListRow(WindowId list) const override;
  void SelectListRow(WindowId list, int row) override;

  void SetProgressPosition(WindowId bar, int position) override;
  int ProgressPosition(WindowId bar) const override;
  void SetProgressColours(WindowId bar, Colour barColour, Colour background) override;

  void SetTimer(WindowId window, int timerId, uint32_t periodMs) override;
  void KillTimer(WindowId window, int timerId) override;
  void Post(std::function<void()> work) override;
  void PostEvent(WindowId window, const PostedEvent& event) override;

  void ShowMessageBox(WindowId owner, std::string_view text, std::string_view caption) override;
  std::optional<std::string> FileDialog(const FileDialogRequest& request) override;

  Size ScreenSize() const override;
  Rect MonitorWorkArea(WindowId window) const override;
  bool ActivateExistingWindow(std::string_view windowClass, std::string_view title) override;
  bool AddPrivateFont(std::string_view path) override;

  // --- Setting the scene ---------------------------------------------------------------------------
  void SetScreenSize(Size size);  // 1920 × 1080 at start
  void SetWorkArea(Rect area);    // the screen less a 40-pixel task bar at start
  // Where the next pop-up window made from that template starts (its top-left corner, in screen
  // coordinates); by default pop-ups start centred on the screen.
  void SetInitialPosition(int templateId, Point topLeft);
  // A window of another instance of the program.
  void AddOtherInstanceWindow(std::string windowClass, std::string title);
  // Real time a modal loop waits for another thread when it has nothing else to do (5 s at start).
  void SetLoopLimit(std::chrono::milliseconds limit);

  // --- Driving -------------------------------------------------------------------------------------
  // Steps that modal loops run one at a time when idle, before virtual time moves on.
  void QueueStep(std::function<void()> step);
  // The next file dialog's answer: a path, or nothing for Cancel. Without answers dialogs cancel.
  void QueueFileDialogAnswer(std::optional<std::string> path);
  // A full click on a push button; false when the button cannot be reached.
  bool PressButton(WindowId button);
  // A click or double-click on a list row (a row outside the rows is a click below the last row).
  bool ClickListRow(WindowId list, int row);
  bool DoubleClickListRow(WindowId list, int row);
  // The mouse comes over or leaves a control.
  bool Hover(WindowId control);
  bool Leave(WindowId control);
  // One mouse event at a point in the window's client coordinates; while a window holds the capture
  // the event goes to it, with the point converted. Push buttons turn down and up into a click and a
  // double-click into a second press.
  bool Mouse(WindowId window, MouseAction action, Point at, MouseButton button = MouseButton::Left);
  // The user resizes a window to a new client size.
  void Resize(WindowId window, Size client);
  // Runs posted work, close requests, events and paints until none is left; fires no timers.
  void RunUntilIdle();
  // Moves the virtual clock on, firing timers as they fall due and running what they post.
  void AdvanceTime(uint32_t milliseconds);

  // --- Reading back --------------------------------------------------------------------------------
  WindowId ActiveModal() const;                    // innermost running modal dialog
  WindowId FindDialog(int templateId) const;       // the newest live dialog made from the template
  int TemplateId(WindowId dialog) const;           // 0 when not a dialog
  PictureIds Pictures(WindowId control) const;     // from the control's template
  TextStyle TextStyleOf(WindowId control) const;
  std::optional<Colour> BackgroundOf(WindowId window) const;
  std::optional<std::pair<Colour, Colour>> ProgressColours(WindowId bar) const;  // bar, background
  std::vector<ListColumn> ListColumns(WindowId list) const;
  bool IsHovered(WindowId control) const;
  bool IsPressed(WindowId button) const;
  bool Exists(WindowId window) const;
  std::optional<uint32_t> TimerPeriod(WindowId window, int timerId) const;  // nothing when not running
  int PaintCount(WindowId window) const;
  // What the last paint of a dialog or a delegated control drew, or nullptr. The pixels of a
  // dialog's paint are its screen: erased with its background colour, then its own paint, then each
  // delegated control's paint blended over at its place.
  const RecordingCanvas* LastPaint(WindowId window) const;
  // The window as last painted with its visible child dialogs (the pages) over it: its screen.
  // Empty before its first paint.
  Picture Screenshot(WindowId window) const;
  CursorKind Cursor() const;
  std::vector<CursorKind> CursorHistory() const;
  std::vector<ShownMessageBox> MessageBoxes() const;
  std::vector<FileDialogRequest> FileDialogRequests() const;
  std::vector<std::string> ActivatedWindows() const;  // titles brought to the front
  std::vector<std::string> PrivateFonts() const;      // paths asked for
  WindowId CaptureHolder() const;
  bool LoopTimedOut() const;
  // Calls meant for the user-interface thread that came from another thread: each is a fault.
  int OffThreadCalls() const { return offThreadCalls_.load(); }

 private:
  struct Node;
  struct Item;
  struct TimerKey {
    uint32_t window;
    int id;
    friend auto operator<=>(const TimerKey&, const TimerKey&) = default;
  };
  struct Timer {
    uint32_t period;
    uint32_t due;
  };

  void CheckThread() const;
  Node* Find(WindowId window);
  const Node* Find(WindowId window) const;
  bool ReachableLocked(const Node& node) const;
  Point OriginLocked(WindowId window) const;
  WindowId CreateFromTemplate(const DialogTemplate& dialog, WindowId parent, DialogHandler& handler, bool modal);
  void Push(Item item);
  bool ProcessOne();
  bool FireDueTimer();
  std::optional<uint32_t> NextTimerDue() const;
  void RunModalLoop(WindowId dialog);
  void TimeOut(WindowId dialog);
  // Called by every "any thread" call: remembers when another thread last reached the toolkit.
  void NoteOtherThread() const;
  bool Ended(WindowId dialog) const;
  void Paint(WindowId window);
  Picture ScreenshotLocked(const Node& node) const;
  void NotifySize(WindowId window);
  void InvalidateLocked(Node& node, WindowId window);
  void DestroyTree(WindowId window);

  VirtualClock& clock_;
  std::thread::id uiThread_;
  mutable std::atomic<int> offThreadCalls_{0};

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::map<uint32_t, std::unique_ptr<Node>> nodes_;
  uint32_t nextId_ = 1;
  std::deque<Item> queue_;
  std::deque<uint32_t> paints_;
  std::map<TimerKey, Timer> timers_;
  std::vector<WindowId> modalStack_;
  std::deque<std::function<void()>> steps_;
  std::deque<std::optional<std::string>> fileAnswers_;
  std::vector<FileDialogRequest> fileRequests_;
  std::vector<ShownMessageBox> messageBoxes_;
  std::map<int, Point> initialPositions_;
  std::vector<std::pair<std::string, std::string>> otherInstances_;
  std::vector<std::string> activated_;
  std::vector<std::string> fonts_;
  std::vector<CursorKind> cursors_{CursorKind::Arrow};
  WindowId capture_;
  Size screen_{1920, 1080};
  Rect workArea_{0, 0, 1920, 1040};
  std::chrono::milliseconds loopLimit_{5000};
  bool timedOut_ = false;
  mutable std::atomic<std::chrono::steady_clock::rep> lastOtherThread_{0};
};

}  // namespace kemlog::platform::headless
