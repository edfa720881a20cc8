#pragma once
// The dialog toolkit: windows and controls built from dialog templates and known by numeric ids,
// timers, the modal loop, posting from workers, message boxes, file dialogs, cursors and screen facts.
//
// A backend implements Ui. The program's windows implement DialogHandler; owner-drawn buttons,
// picture statics and the plot control implement ControlDelegate. The backend calls both on the
// user-interface thread only.
//
// Keys: dialogs do not end on Enter or Esc (backends swallow both), so a popup that waits for a job
// cannot be dismissed from the keyboard; only close requests and the program's own buttons end it.
//
// Threads: every call of Ui is made on the user-interface thread, except those marked
// "any thread", which a worker may make while the user-interface thread sits in a modal loop.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/canvas.h"
#include "platform/ui_types.h"
#include "platform/webview.h"

namespace kemlog::platform {

// What a dialog window hears from the toolkit. Every handler has a do-nothing default.
class DialogHandler {
 public:
  virtual ~DialogHandler() = default;
  // The window and its controls exist; `self` is the dialog's handle.
  virtual void OnInitDialog(WindowId /*self*/) {}
  // A push button was pressed (an owner-drawn one too).
  virtual void OnCommand(ControlId /*control*/) {}
  virtual void OnTimer(int /*timerId*/) {}
  // The dialog's own client area is painted; controls paint themselves afterwards.
  virtual void OnPaint(Canvas& /*canvas*/) {}
  virtual void OnSize(Size /*client*/) {}
  virtual void OnShow(bool /*shown*/) {}
  // Mouse over the dialog's own client area (not over its controls).
  virtual void OnMouse(const MouseEvent& /*event*/) {}
  // A click or double-click in a list view; row is -1 outside the rows.
  virtual void OnListClick(ControlId /*list*/, int /*row*/) {}
  virtual void OnListDoubleClick(ControlId /*list*/, int /*row*/) {}
  virtual void OnPostedEvent(const PostedEvent& /*event*/) {}
  // A close request. Return false for the default: a modal dialog ends its run (result 0), a child
  // dialog is left alone.
  virtual bool OnClose() { return false; }
  // The window is about to be destroyed; its handle is invalid afterwards.
  virtual void OnDestroy() {}
};

// A control that paints itself and hears the mouse: owner-drawn buttons, picture statics, custom
// controls.
class ControlDelegate {
 public:
  virtual ~ControlDelegate() = default;
  virtual void Paint(Canvas& canvas, const PaintState& state) = 0;
  // Down, up, move and double-click in the control's client coordinates; Leave when the mouse has
  // left it. Owner-drawn buttons get a double-click as a second Down: quick clicks each count.
  virtual void OnMouse(const MouseEvent& /*event*/) {}
  virtual void OnSize(Size /*client*/) {}
};

class Ui {
 public:
  virtual ~Ui() = default;

  // --- Dialogs -----------------------------------------------------------------------------------
  // Creates the dialog and its controls, calls OnInitDialog and returns its handle; invalid when the
  // parent does not exist. The handler must outlive the window.
  virtual WindowId CreateChildDialog(const DialogTemplate& dialog, WindowId parent, DialogHandler& handler) = 0;
  // Creates the dialog (owned by `owner`, which may be invalid), disables the owner, calls
  // OnInitDialog and runs the modal loop until EndDialog; then destroys the window, enables the owner
  // again and returns the result.
  virtual int RunModal(const DialogTemplate& dialog, WindowId owner, DialogHandler& handler) = 0;
  virtual void EndDialog(WindowId dialog, int result) = 0;
  // Any thread: queues a close request to the window (OnClose, then the default). A request to a
  // window that no longer exists is dropped.
  virtual void PostClose(WindowId window) = 0;
  virtual void DestroyWindow(WindowId window) = 0;

  // --- Any window or control -----------------------------------------------------------------------
  // The control of a dialog by its id; invalid when there is none.
  virtual WindowId Control(WindowId dialog, ControlId control) const = 0;
  // Geometry: top-level windows in screen coordinates (outer rectangle), children in their parent's
  // client coordinates.
  virtual bool Move(WindowId window, const Rect& rect, bool repaint = true) = 0;
  virtual Rect Geometry(WindowId window) const = 0;
  virtual Size ClientSize(WindowId window) const = 0;
  virtual void Show(WindowId window, bool shown) = 0;
  virtual bool IsVisible(WindowId window) const = 0;
  virtual void Enable(WindowId window, bool enabled) = 0;
  virtual bool IsEnabled(WindowId window) const = 0;
  virtual void SetText(WindowId window, std::string_view text) = 0;
  virtual std::string Text(WindowId window) const = 0;
  // Raises the window to the top of its siblings without moving it.
  virtual void BringToTop(WindowId window) = 0;
  virtual void Minimize(WindowId window) = 0;
  // Any thread: asks for a paint later (erase: clear the background first).
  virtual void Invalidate(WindowId window, bool erase = true) = 0;
  // Paints what is invalid now.
  virtual void UpdateNow(WindowId window) = 0;

  // --- Looks ---------------------------------------------------------------------------------------
  virtual void SetBackground(WindowId window, Colour colour) = 0;
  virtual void SetTextStyle(WindowId control, const TextStyle& style) = 0;
  // Hands painting and the mouse of an owner-drawn button, picture static or custom control to a
  // delegate (nullptr hands it back). The delegate must outlive the control or be detached first.
  virtual void SetDelegate(WindowId control, ControlDelegate* delegate) = 0;
  // The parent's pixels under the control as they are on the screen now (the parent and the
  // controls painted over it before), as a picture the size of the control. False when the parent
  // has not been painted yet or the backend cannot read pixels.
  virtual bool CopyParentPixels(WindowId control, Picture& pixels) = 0;
  // An off-screen surface compatible with the window, or nullptr.
  virtual std::unique_ptr<Canvas> CreateSurface(WindowId window, int width, int height) = 0;
  // The web view of a WebViewHost control, or nullptr.
  virtual WebView* WebViewOf(WindowId control) = 0;

  // --- Mouse and cursor ----------------------------------------------------------------------------
  // All mouse events go to the window until ReleaseCapture.
  virtual void SetCapture(WindowId window) = 0;
  virtual void ReleaseCapture() = 0;
  virtual void SetCursor(CursorKind cursor) = 0;

  // --- List views (report style) -------------------------------------------------------------------
  virtual void AddListColumn(WindowId list, const ListColumn& column) = 0;
  // Any thread: inserts a row with the text of its first cell; returns its index or -1.
  virtual int InsertListRow(WindowId list, int index, std::string_view firstCell) = 0;
  // Any thread.
  virtual bool SetListCell(WindowId list, int row, int column, std::string_view text) = 0;
  virtual void DeleteAllListRows(WindowId list) = 0;
  // Any thread.
  virtual int ListRowCount(WindowId list) const = 0;
  virtual std::string ListCell(WindowId list, int row, int column) const = 0;
  // -1 when no row is selected.
  virtual int SelectedListRow(WindowId list) const = 0;
  virtual void SelectListRow(WindowId list, int row) = 0;

  // --- Progress bar (range 0-100) -----------------------------------------------------------------
  // Any thread; the value is clamped to 0-100.
  virtual void SetProgressPosition(WindowId bar, int position) = 0;
  virtual int ProgressPosition(WindowId bar) const = 0;
  virtual void SetProgressColours(WindowId bar, Colour barColour, Colour background) = 0;

  // --- Timers and posting --------------------------------------------------------------------------
  // Starts or restarts timer `timerId` of the window; OnTimer runs on the user-interface thread every
  // `periodMs` until KillTimer or the window's end.
  virtual void SetTimer(WindowId window, int timerId, uint32_t periodMs) = 0;
  virtual void KillTimer(WindowId window, int timerId) = 0;
  // Any thread: runs `work` on the user-interface thread, after everything posted before it.
  virtual void Post(std::function<void()> work) = 0;
  // Any thread: OnPostedEvent of the window, in order with other posts; dropped when the window ends.
  virtual void PostEvent(WindowId window, const PostedEvent& event) = 0;

  // --- Standard dialogs ----------------------------------------------------------------------------
  // A message box with one OK button; returns when the user has closed it. (Not named MessageBox,
  // which <windows.h> defines as a macro.)
  virtual void ShowMessageBox(WindowId owner, std::string_view text, std::string_view caption) = 0;
  // The chosen path, or nothing when the user cancelled.
  virtual std::optional<std::string> FileDialog(const FileDialogRequest& request) = 0;

  // --- Screen and process --------------------------------------------------------------------------
  virtual Size ScreenSize() const = 0;
  // The work area of the monitor that holds the window (the primary monitor when none does).
  virtual Rect MonitorWorkArea(WindowId window) const = 0;
  // Finds a top-level window of another instance by window class and title and brings it to the
  // front; false when there is none.
  virtual bool ActivateExistingWindow(std::string_view windowClass, std::string_view title) = 0;
  // Adds a font file to this process only; false when it could not be added.
  virtual bool AddPrivateFont(std::string_view path) = 0;
};

// Shows the wait cursor for its lifetime.
class WaitCursor {
 public:
  explicit WaitCursor(Ui& ui) : ui_(ui) { ui_.SetCursor(CursorKind::Wait); }
  ~WaitCursor() { ui_.SetCursor(CursorKind::Arrow); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  Ui& ui_;
};

// A window's left or top coordinate kept on the screen: below 0 or beyond the screen's extent
// `limit` it becomes 0.
constexpr int ClampToScreen(int value, int limit) { return value < 0 || value > limit ? 0 : value; }

// Creates a child dialog in place of a placeholder control of `parent`: the placeholder's rectangle,
// shrunk by `inset` pixels on every side, raised to the top and shown; the placeholder is destroyed.
// Invalid, with the placeholder left, when it is missing or the dialog cannot be created.
inline WindowId CreateInPlaceOf(Ui& ui, const DialogTemplate& dialog, WindowId parent, ControlId placeholder,
                                DialogHandler& handler, int inset = 2) {
  const WindowId spot = ui.Control(parent, placeholder);
  if (!spot) return {};
  const Rect rect = ui.Geometry(spot);
  const WindowId created = ui.CreateChildDialog(dialog, parent, handler);
  if (!created) return {};  // the placeholder stays
  ui.DestroyWindow(spot);
  ui.Move(created, Rect{rect.left + inset, rect.top + inset, rect.right - inset, rect.bottom - inset});
  ui.BringToTop(created);
  ui.Show(created, true);
  return created;
}

}  // namespace kemlog::platform
