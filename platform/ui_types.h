#pragma once
// Plain types of the dialog toolkit: window handles, control kinds and styles, dialog templates,
// mouse events, list columns, file dialog requests. No operating-system types; texts are UTF-8.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/canvas.h"

namespace kemlog::platform {

// A window or a control, as handed out by the toolkit. Handles are never reused within a run, so a
// handle of a destroyed window stays invalid: calls on it do nothing and report failure.
struct WindowId {
  uint32_t value = 0;
  explicit operator bool() const { return value != 0; }
  friend bool operator==(const WindowId&, const WindowId&) = default;
  friend auto operator<=>(const WindowId&, const WindowId&) = default;
};

// Controls are known by the numeric ids of their dialog templates.
using ControlId = int;

enum class ControlKind : uint8_t {
  Static,         // a text line
  PictureStatic,  // a static painted by its delegate with a picture
  PushButton,     // with the OwnerDraw style it is painted by its delegate
  ListView,       // report style: columns, rows of cell texts
  ProgressBar,    // range 0-100
  Custom,         // painted and driven by its delegate (the plot control)
  WebViewHost,    // holds a platform::WebView over its whole rectangle
  Placeholder,    // a plain static that a child dialog replaces when it is created
};

// Control styles, combined with |.
enum ControlStyle : uint32_t {
  kVisible = 1u << 0,
  kDisabled = 1u << 1,
  kBorder = 1u << 2,
  kOwnerDraw = 1u << 3,      // push buttons: the delegate paints every state
  kNotify = 1u << 4,         // statics: report clicks
  kReportView = 1u << 5,     // list views
  kGridLines = 1u << 6,      // list views
  kFullRowSelect = 1u << 7,  // list views
  kSingleSelection = 1u << 8,
  kTransparent = 1u << 9,    // statics: text drawn over what lies behind
};

// Window styles of a dialog template, combined with |.
enum WindowStyle : uint32_t {
  kPopupWindow = 1u << 0,    // top-level, no parent client area
  kChildWindow = 1u << 1,    // lives in its parent's client area
  kCaption = 1u << 2,        // a system caption (none of this program's windows has one)
  kSystemMenu = 1u << 3,
  kThinBorder = 1u << 4,
  kShowInTaskbar = 1u << 5,
  kWindowVisible = 1u << 6,  // shown when created
  kStaticEdge = 1u << 7,
  kClientEdge = 1u << 8,
  kControlParent = 1u << 9,  // a dialog used as a control of its parent
};

// Pictures of a control, as PNG resource ids; 0 means none. The skinned controls draw them.
struct PictureIds {
  int normal = 0;
  int pressed = 0;
  int hover = 0;
};

constexpr Rect RectXywh(int x, int y, int width, int height) { return Rect{x, y, x + width, y + height}; }

struct ControlTemplate {
  ControlId id = 0;
  ControlKind kind = ControlKind::Static;
  uint32_t style = kVisible;
  Rect rect;  // pixels, in the dialog's client coordinates
  std::string_view text;
  PictureIds pictures;
};

struct DialogTemplate {
  int id = 0;
  uint32_t style = 0;
  // The size as the template gives it in dialog units, 0 × 0 where it gives none.
  Size dialogUnits;
  // The size the window is created with, in pixels (outer size for pop-ups, client size for children).
  Size pixels;
  std::string_view fontFace;
  int fontPointSize = 0;
  std::span<const ControlTemplate> controls;

  const ControlTemplate* Find(ControlId controlId) const {
    for (const ControlTemplate& c : controls) {
      if (c.id == controlId) return &c;
    }
    return nullptr;
  }
};

// Dialog units to pixels for "MS Shell Dlg" 8 pt at 96 dpi (base units 6 × 13).
constexpr Size DialogUnitsToPixels(Size units) { return Size{units.cx * 6 / 4, units.cy * 13 / 8}; }

// How a static draws its text. No background colour means a transparent text background.
struct TextStyle {
  Colour text = 0x000000;
  std::optional<Colour> background;
  std::optional<Font> font;
  friend bool operator==(const TextStyle&, const TextStyle&) = default;
};

enum class MouseAction : uint8_t { Down, Up, Move, DoubleClick, Leave };
enum class MouseButton : uint8_t { None, Left, Right };

// A mouse event in the client coordinates of the window that receives it.
struct MouseEvent {
  MouseAction action = MouseAction::Move;
  MouseButton button = MouseButton::None;
  Point at;
};

// What an owner-drawn control looks like at this paint.
struct PaintState {
  bool pressed = false;   // a button held down
  bool hover = false;     // the mouse is over the control
  bool disabled = false;
};

enum class Alignment : uint8_t { Left, Right, Centre };

struct ListColumn {
  std::string caption;
  int width = 0;
  Alignment alignment = Alignment::Left;
};

enum class CursorKind : uint8_t { Arrow, Wait, SizeDiagonal };

enum class FileDialogKind : uint8_t { Open, Save };

enum FileDialogFlag : uint32_t {
  kHideReadOnly = 1u << 0,
  kPathMustExist = 1u << 1,
  kFileMustExist = 1u << 2,
  kOverwritePrompt = 1u << 3,
};

struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::Open;
  WindowId owner;
  std::string title;
  // Bar-separated pairs of description and pattern, ending in "||",
  // e.g. "Bin Files(*.bin) |*.bin| All Files(*.*) |*.*||".
  std::string filter;
  std::string defaultExtension;  // may be empty
  std::string initialFileName;   // may be empty
  uint32_t flags = 0;
};

// A generic event posted to a window, e.g. a device change notice.
struct PostedEvent {
  uint32_t code = 0;
  int64_t value = 0;
};

// Posted event codes used by the program.
inline constexpr uint32_t kDeviceChangeEvent = 1;

}  // namespace kemlog::platform
