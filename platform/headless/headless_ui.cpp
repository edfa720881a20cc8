#include "platform/headless/headless_ui.h"

#include <algorithm>
#include <filesystem>
#include <utility>

namespace kemlog::platform::headless {

namespace {

constexpr uint32_t kMinimumTimerPeriod = 10;

// Signed distance from `from` to `to` on the wrapping 32-bit tick count.
int32_t TicksUntil(uint32_t from, uint32_t to) { return static_cast<int32_t>(to - from); }

}  // namespace

struct HeadlessUi::Node {
  WindowId parent;
  bool dialog = false;
  bool modal = false;
  int templateId = 0;
  ControlId controlId = 0;
  ControlKind kind = ControlKind::Static;
  uint32_t style = 0;
  Rect rect;
  bool visible = false;
  bool enabled = true;
  std::string text;
  TextStyle textStyle;
  std::optional<Colour> background;
  PictureIds pictures;
  DialogHandler* handler = nullptr;
  ControlDelegate* delegate = nullptr;
  std::vector<WindowId> children;
  // List views.
  std::vector<ListColumn> columns;
  std::vector<std::vector<std::string>> rows;
  int selected = -1;
  // Progress bars.
  int progress = 0;
  std::optional<std::pair<Colour, Colour>> progressColours;
  // Mouse.
  bool hover = false;
  bool pressed = false;
  // Painting.
  bool paintPending = false;
  int paints = 0;
  std::unique_ptr<RecordingCanvas> lastPaint;
  // Modal dialogs.
  bool ended = false;
  int result = 0;
  std::unique_ptr<RecordingWebView> webView;
};

struct HeadlessUi::Item {
  enum class Kind { Work, Close, Event } kind = Kind::Work;
  WindowId target;
  std::function<void()> work;
  PostedEvent event;
};

HeadlessUi::HeadlessUi(VirtualClock& clock) : clock_(clock), uiThread_(std::this_thread::get_id()) {}

HeadlessUi::~HeadlessUi() = default;

void HeadlessUi::CheckThread() const {
  if (std::this_thread::get_id() != uiThread_) offThreadCalls_.fetch_add(1);
}

HeadlessUi::Node* HeadlessUi::Find(WindowId window) {
  auto it = nodes_.find(window.value);
  return it == nodes_.end() ? nullptr : it->second.get();
}

const HeadlessUi::Node* HeadlessUi::Find(WindowId window) const {
  auto it = nodes_.find(window.value);
  return it == nodes_.end() ? nullptr : it->second.get();
}

// The window's client origin in screen coordinates.
Point HeadlessUi::OriginLocked(WindowId window) const {
  Point origin{0, 0};
  for (const Node* n = Find(window); n != nullptr; n = Find(n->parent)) {
    origin.x += n->rect.left;
    origin.y += n->rect.top;
  }
  return origin;
}

bool HeadlessUi::ReachableLocked(const Node& node) const {
  for (const Node* n = &node; n != nullptr; n = Find(n->parent)) {
    if (!n->visible || !n->enabled) return false;
  }
  return true;
}

// --- Dialogs -----------------------------------------------------------------------------------------

WindowId HeadlessUi::CreateFromTemplate(const DialogTemplate& dialog, WindowId parent, DialogHandler& handler,
                                        bool modal) {
  std::lock_guard lock(mutex_);
  Node* parentNode = Find(parent);
  if (parent && parentNode == nullptr) return {};
  WindowId id{nextId_++};
  auto node = std::make_unique<Node>();
  node->parent = (dialog.style & kChildWindow) ? parent : WindowId{};
  node->dialog = true;
  node->modal = modal;
  node->templateId = dialog.id;
  node->style = dialog.style;
  node->handler = &handler;
  node->visible = !modal && (dialog.style & kWindowVisible);
  Point origin{0, 0};
  if (!(dialog.style & kChildWindow)) {
    auto it = initialPositions_.find(dialog.id);
    origin = it != initialPositions_.end()
                 ? it->second
                 : Point{(screen_.cx - dialog.pixels.cx) / 2, (screen_.cy - dialog.pixels.cy) / 2};
  }
  node->rect = RectXywh(origin.x, origin.y, dialog.pixels.cx, dialog.pixels.cy);
  if (parentNode != nullptr && node->parent) parentNode->children.push_back(id);
  nodes_[id.value] = std::move(node);
  for (const ControlTemplate& c : dialog.controls) {
    WindowId cid{nextId_++};
    auto control = std::make_unique<Node>();
    control->parent = id;
    control->controlId = c.id;
    control->kind = c.kind;
    control->style = c.style;
    control->rect = c.rect;
    control->visible = (c.style & kVisible) != 0;
    control->enabled = (c.style & kDisabled) == 0;
    control->text = std::string(c.text);
    control->pictures = c.pictures;
    if (c.kind == ControlKind::WebViewHost) control->webView = std::make_unique<RecordingWebView>();
    nodes_[id.value]->children.push_back(cid);
    nodes_[cid.value] = std::move(control);
  }
  return id;
}

WindowId HeadlessUi::CreateChildDialog(const DialogTemplate& dialog, WindowId parent, DialogHandler& handler) {
  CheckThread();
  if (!parent) return {};
  WindowId id = CreateFromTemplate(dialog, parent, handler, false);
  if (!id) return {};
  handler.OnInitDialog(id);
  Invalidate(id);
  return id;
}

int HeadlessUi::RunModal(const DialogTemplate& dialog, WindowId owner, DialogHandler& handler) {
  CheckThread();
  WindowId id = CreateFromTemplate(dialog, owner, handler, true);
  if (!id) return -1;
  bool ownerWasEnabled = IsEnabled(owner);
  if (owner) Enable(owner, false);
  {
    std::lock_guard lock(mutex_);
    modalStack_.push_back(id);
  }
  handler.OnInitDialog(id);
  if (!Ended(id)) Show(id, true);
  RunModalLoop(id);
  int result = 0;
  {
    std::lock_guard lock(mutex_);
    if (const Node* node = Find(id)) result = node->result;
    modalStack_.erase(std::remove(modalStack_.begin(), modalStack_.end(), id), modalStack_.end());
  }
  DestroyWindow(id);
  if (owner) Enable(owner, ownerWasEnabled);
  return result;
}

void HeadlessUi::EndDialog(WindowId dialog, int result) {
  CheckThread();
  std::lock_guard lock(mutex_);
  Node* node = Find(dialog);
  if (node == nullptr || !node->modal) return;
  node->ended = true;
  node->result = result;
  wake_.notify_all();
}

void HeadlessUi::PostClose(WindowId window) { Push(Item{Item::Kind::Close, window, {}, {}}); }

void HeadlessUi::DestroyWindow(WindowId window) {
  CheckThread();
  DestroyTree(window);
}

void HeadlessUi::DestroyTree(WindowId window) {
  DialogHandler* handler = nullptr;
  std::vector<WindowId> children;
  {
    std::lock_guard lock(mutex_);
    Node* node = Find(window);
    if (node == nullptr) return;
    if (node->dialog) handler = node->handler;
    children = node->children;
  }
  if (handler != nullptr) handler->OnDestroy();
  for (WindowId child : children) DestroyTree(child);
  std::lock_guard lock(mutex_);
  Node* node = Find(window);
  if (node == nullptr) return;
  if (Node* parent = Find(node->parent)) std::erase(parent->children, window);
  std::erase_if(timers_, [&](const auto& t) { return t.first.window == window.value; });
  std::erase(paints_, window.value);
  if (capture_ == window) capture_ = {};
  nodes_.erase(window.value);
}

// --- Any window or control ---------------------------------------------------------------------------

WindowId HeadlessUi::Control(WindowId dialog, ControlId control) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(dialog);
  if (node == nullptr) return {};
  for (WindowId child : node->children) {
    const Node* c = Find(child);
    if (c != nullptr && !c->dialog && c->controlId == control) return child;
  }
  return {};
}

bool HeadlessUi::Move(WindowId window, const Rect& rect, bool repaint) {
  CheckThread();
  bool resized = false;
  {
    std::lock_guard lock(mutex_);
    Node* node = Find(window);
    if (node == nullptr) return false;
    resized = node->rect.Width() != rect.Width() || node->rect.Height() != rect.Height();
    node->rect = rect;
    if (repaint) InvalidateLocked(*node, window);
  }
  if (resized) NotifySize(window);
  return true;
}

void HeadlessUi::NotifySize(WindowId window) {
  DialogHandler* handler = nullptr;
  ControlDelegate* delegate = nullptr;
  Size client;
  {
    std::lock_guard lock(mutex_);
    const Node* node = Find(window);
    if (node == nullptr) return;
    handler = node->dialog ? node->handler : nullptr;
    delegate = node->delegate;
    client = Size{node->rect.Width(), node->rect.Height()};
  }
  if (handler != nullptr) handler->OnSize(client);
  if (delegate != nullptr) delegate->OnSize(client);
}

Rect HeadlessUi::Geometry(WindowId window) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(window);
  return node == nullptr ? Rect{} : node->rect;
}

Size HeadlessUi::ClientSize(WindowId window) const {
  Rect r = Geometry(window);
  return Size{r.Width(), r.Height()};
}

void HeadlessUi::Show(WindowId window, bool shown) {
  CheckThread();
  DialogHandler* handler = nullptr;
  {
    std::lock_guard lock(mutex_);
    Node* node = Find(window);
    if (node == nullptr || node->visible == shown) return;
    node->visible = shown;
    if (!shown) {
      node->hover = false;
      node->pressed = false;
    }
    if (shown) InvalidateLocked(*node, window);
    if (node->dialog) handler = node->handler;
  }
  if (handler != nullptr) handler->OnShow(shown);
}

bool HeadlessUi::IsVisible(WindowId window) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(window);
  return node != nullptr && node->visible;
}

void HeadlessUi::Enable(WindowId window, bool enabled) {
  CheckThread();
  std::lock_guard lock(mutex_);
  if (Node* node = Find(window)) node->enabled = enabled;
}

bool HeadlessUi::IsEnabled(WindowId window) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(window);
  return node != nullptr && node->enabled;
}

void HeadlessUi::SetText(WindowId window, std::string_view text) {
  CheckThread();
  std::lock_guard lock(mutex_);
  Node* node = Find(window);
  if (node == nullptr || node->text == text) return;
  node->text = std::string(text);
  InvalidateLocked(*node, window);
}

std::string HeadlessUi::Text(WindowId window) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(window);
  return node == nullptr ? std::string() : node->text;
}

void HeadlessUi::BringToTop(WindowId window) {
  CheckThread();
  std::lock_guard lock(mutex_);
  Node* node = Find(window);
  if (node == nullptr) return;
  if (Node* parent = Find(node->parent)) {
    std::erase(parent->children, window);
    parent->children.push_back(window);
  }
}

void HeadlessUi::Minimize(WindowId window) { Show(window, false); }

void HeadlessUi::InvalidateLocked(Node& node, WindowId window) {
  if (node.paintPending) return;
  node.paintPending = true;
  paints_.push_back(window.value);
  wake_.notify_all();
}

void HeadlessUi::Invalidate(WindowId window, bool /*erase*/) {
  NoteOtherThread();
  std::lock_guard lock(mutex_);
  if (Node* node = Find(window)) InvalidateLocked(*node, window);
}

void HeadlessUi::UpdateNow(WindowId window) {
  CheckThread();
  {
    std::lock_guard lock(mutex_);
    Node* node = Find(window);
    if (node == nullptr || !node->paintPending) return;
    std::erase(paints_, window.value);
  }
  Paint(window);
}

// Paints a dialog (its handler, then its delegated controls) or one delegated control. A control
// whose parent has not painted since it was last invalidated waits for that paint, which paints the
// control too: a control never paints over a parent that is not there yet.
void HeadlessUi::Paint(WindowId window) {
  WindowId parentFirst;
  {
    std::lock_guard lock(mutex_);
    const Node* node = Find(window);
    const Node* parent = node != nullptr && !node->dialog ? Find(node->parent) : nullptr;
    if (parent != nullptr && (parent->paintPending || !parent->lastPaint)) parentFirst = node->parent;
  }
  if (parentFirst) {
    std::lock_guard lock(mutex_);
    if (Node* node = Find(window)) node->paintPending = false;
    if (Node* parent = Find(parentFirst); parent != nullptr && !parent->paintPending) {
      InvalidateLocked(*parent, parentFirst);
    }
    return;
  }
  DialogHandler* handler = nullptr;
  ControlDelegate* delegate = nullptr;
  PaintState state;
  std::vector<WindowId> children;
  Size size;
  std::optional<Colour> background;
  {
    std::lock_guard lock(mutex_);
    Node* node = Find(window);
    if (node == nullptr) return;
    node->paintPending = false;
    if (!node->visible) return;
    handler = node->dialog ? node->handler : nullptr;
    delegate = node->delegate;
    state = PaintState{node->pressed, node->hover, !node->enabled};
    if (node->dialog) children = node->children;
    size = Size{node->rect.Width(), node->rect.Height()};
    background = node->dialog ? node->background : std::nullopt;
  }
  auto canvas = std::make_unique<RecordingCanvas>(size.cx, size.cy);
  if (background) canvas->ErasePixels(*background);
  if (handler != nullptr) handler->OnPaint(*canvas);
  if (delegate != nullptr) delegate->Paint(*canvas, state);
  {
    std::lock_guard lock(mutex_);
    Node* node = Find(window);
    if (node == nullptr) return;
    ++node->paints;
    node->lastPaint = std::move(canvas);
    // A control's pixels land on its parent's screen.
    Node* parent = node->dialog ? nullptr : Find(node->parent);
    if (parent != nullptr && parent->lastPaint) {
      parent->lastPaint->ComposePixels(node->lastPaint->Raster().Pixels(), Point{node->rect.left, node->rect.top});
    }
  }
  for (WindowId child : children) {
    bool delegated = false;
    {
      std::lock_guard lock(mutex_);
      const Node* c = Find(child);
      delegated = c != nullptr && !c->dialog && c->delegate != nullptr;
    }
    if (delegated) Paint(child);
  }
}

// --- Looks -------------------------------------------------------------------------------------------

void HeadlessUi::SetBackground(WindowId window, Colour colour) {
  CheckThread();
  std::lock_guard lock(mutex_);
  if (Node* node = Find(window)) node->background = colour;
}

void HeadlessUi::SetTextStyle(WindowId control, const TextStyle& style) {
  CheckThread();
  std::lock_guard lock(mutex_);
  if (Node* node = Find(control)) node->textStyle = style;
}

void HeadlessUi::SetDelegate(WindowId control, ControlDelegate* delegate) {
  CheckThread();
  std::lock_guard lock(mutex_);
  Node* node = Find(control);
  if (node == nullptr || node->dialog) return;
  node->delegate = delegate;
  InvalidateLocked(*node, control);
}

bool HeadlessUi::CopyParentPixels(WindowId control, Picture& pixels) {
  CheckThread();
  std::lock_guard lock(mutex_);
  const Node* node = Find(control);
  if (node == nullptr || node->dialog) return false;
  const Node* parent = Find(node->parent);
  if (parent == nullptr || !parent->lastPaint) return false;
  pixels = parent->lastPaint->Raster().Read(node->rect);
  return pixels.Valid();
}

std::unique_ptr<Canvas> HeadlessUi::CreateSurface(WindowId window, int width, int height) {
  CheckThread();
  if (!Exists(window) || width <= 0 || height <= 0) return nullptr;
  return std::make_unique<RecordingCanvas>(width, height);
}

WebView* HeadlessUi::WebViewOf(WindowId control) {
  std::lock_guard lock(mutex_);
  Node* node = Find(control);
  return node == nullptr ? nullptr : node->webView.get();
}

// --- Mouse and cursor --------------------------------------------------------------------------------

void HeadlessUi::SetCapture(WindowId window) {
  CheckThread();
  std::lock_guard lock(mutex_);
  if (Find(window) != nullptr) capture_ = window;
}

void HeadlessUi::ReleaseCapture() {
  CheckThread();
  std::lock_guard lock(mutex_);
  capture_ = {};
}

void HeadlessUi::SetCursor(CursorKind cursor) {
  CheckThread();
  std::lock_guard lock(mutex_);
  cursors_.push_back(cursor);
}

// --- List views --------------------------------------------------------------------------------------

void HeadlessUi::AddListColumn(WindowId list, const ListColumn& column) {
  CheckThread();
  std::lock_guard lock(mutex_);
  Node* node = Find(list);
  if (node == nullptr || node->kind != ControlKind::ListView) return;
  node->columns.push_back(column);
  InvalidateLocked(*node, list);
}

int HeadlessUi::InsertListRow(WindowId list, int index, std::string_view firstCell) {
  NoteOtherThread();
  std::lock_guard lock(mutex_);
  Node* node = Find(list);
  if (node == nullptr || node->kind != ControlKind::ListView || index < 0) return -1;
  int at = std::min(index, static_cast<int>(node->rows.size()));
  std::vector<std::string> row(std::max<size_t>(node->columns.size(), 1));
  row[0] = std::string(firstCell);
  node->rows.insert(node->rows.begin() + at, std::move(row));
  if (node->selected >= at) ++node->selected;
  InvalidateLocked(*node, list);
  return at;
}

bool HeadlessUi::SetListCell(WindowId list, int row, int column, std::string_view text) {
  NoteOtherThread();
  std::lock_guard lock(mutex_);
  Node* node = Find(list);
  if (node == nullptr || row < 0 || row >= static_cast<int>(node->rows.size()) || column < 0 ||
      column >= static_cast<int>(std::max<size_t>(node->columns.size(), 1))) {
    return false;
  }
  auto& cells = node->rows[static_cast<size_t>(row)];
  if (cells.size() <= static_cast<size_t>(column)) cells.resize(static_cast<size_t>(column) + 1);
  cells[static_cast<size_t>(column)] = std::string(text);
  InvalidateLocked(*node, list);
  return true;
}

void HeadlessUi::DeleteAllListRows(WindowId list) {
  CheckThread();
  std::lock_guard lock(mutex_);
  Node* node = Find(list);
  if (node == nullptr) return;
  node->rows.clear();
  node->selected = -1;
  InvalidateLocked(*node, list);
}

int HeadlessUi::ListRowCount(WindowId list) const {
  NoteOtherThread();
  std::lock_guard lock(mutex_);
  const Node* node = Find(list);
  return node == nullptr ? 0 : static_cast<int>(node->rows.size());
}

std::string HeadlessUi::ListCell(WindowId list, int row, int column) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(list);
  if (node == nullptr || row < 0 || row >= static_cast<int>(node->rows.size()) || column < 0) return {};
  const auto& cells = node->rows[static_cast<size_t>(row)];
  return static_cast<size_t>(column) < cells.size() ? cells[static_cast<size_t>(column)] : std::string();
}

int HeadlessUi::SelectedListRow(WindowId list) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(list);
  return node == nullptr ? -1 : node->selected;
}

void HeadlessUi::SelectListRow(WindowId list, int row) {
  CheckThread();
  std::lock_guard lock(mutex_);
  Node* node = Find(list);
  if (node == nullptr) return;
  node->selected = row >= 0 && row < static_cast<int>(node->rows.size()) ? row : -1;
  InvalidateLocked(*node, list);
}

// --- Progress bar ------------------------------------------------------------------------------------

void HeadlessUi::SetProgressPosition(WindowId bar, int position) {
  NoteOtherThread();
  std::lock_guard lock(mutex_);
  Node* node = Find(bar);
  if (node == nullptr || node->kind != ControlKind::ProgressBar) return;
  node->progress = std::clamp(position, 0, 100);
  InvalidateLocked(*node, bar);
}

int HeadlessUi::ProgressPosition(WindowId bar) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(bar);
  return node == nullptr ? 0 : node->progress;
}

void HeadlessUi::SetProgressColours(WindowId bar, Colour barColour, Colour background) {
  CheckThread();
  std::lock_guard lock(mutex_);
  Node* node = Find(bar);
  if (node == nullptr || node->kind != ControlKind::ProgressBar) return;
  node->progressColours = std::make_pair(barColour, background);
}

// --- Timers and posting ------------------------------------------------------------------------------

void HeadlessUi::SetTimer(WindowId window, int timerId, uint32_t periodMs) {
  CheckThread();
  std::lock_guard lock(mutex_);
  if (Find(window) == nullptr) return;
  uint32_t period = std::max(periodMs, kMinimumTimerPeriod);
  timers_[TimerKey{window.value, timerId}] = Timer{period, clock_.TickCount() + period};
}

void HeadlessUi::KillTimer(WindowId window, int timerId) {
  CheckThread();
  std::lock_guard lock(mutex_);
  timers_.erase(TimerKey{window.value, timerId});
}

void HeadlessUi::Push(Item item) {
  NoteOtherThread();
  std::lock_guard lock(mutex_);
  queue_.push_back(std::move(item));
  wake_.notify_all();
}

void HeadlessUi::Post(std::function<void()> work) {
  if (work) Push(Item{Item::Kind::Work, {}, std::move(work), {}});
}

void HeadlessUi::PostEvent(WindowId window, const PostedEvent& event) {
  Push(Item{Item::Kind::Event, window, {}, event});
}

// Runs one posted item, or one paint when nothing is posted. False when there was nothing to do.
bool HeadlessUi::ProcessOne() {
  Item item;
  DialogHandler* handler = nullptr;
  WindowId paint;
  {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) {
      if (paints_.empty()) return false;
      paint = WindowId{paints_.front()};
      paints_.pop_front();
    } else {
      item = std::move(queue_.front());
      queue_.pop_front();
      if (const Node* node = Find(item.target); node != nullptr && node->dialog) handler = node->handler;
    }
  }
  if (paint) {
    Paint(paint);
    return true;
  }
  switch (item.kind) {
    case Item::Kind::Work:
      item.work();
      break;
    case Item::Kind::Close:
      if (handler != nullptr && !handler->OnClose()) EndDialog(item.target, 0);
      break;
    case Item::Kind::Event:
      if (handler != nullptr) handler->OnPostedEvent(item.event);
      break;
  }
  return true;
}

// Fires the earliest timer that is due now, if any.
bool HeadlessUi::FireDueTimer() {
  DialogHandler* handler = nullptr;
  int timerId = 0;
  {
    std::lock_guard lock(mutex_);
    uint32_t now = clock_.TickCount();
    auto best = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
      if (TicksUntil(now, it->second.due) > 0) continue;
      if (best == timers_.end() || TicksUntil(it->second.due, best->second.due) > 0) best = it;
    }
    if (best == timers_.end()) return false;
    best->second.due = now + best->second.period;
    timerId = best->first.id;
    const Node* node = Find(WindowId{best->first.window});
    if (node != nullptr && node->dialog) handler = node->handler;
  }
  if (handler != nullptr) handler->OnTimer(timerId);
  return true;
}

std::optional<uint32_t> HeadlessUi::NextTimerDue() const {
  std::lock_guard lock(mutex_);
  std::optional<uint32_t> next;
  uint32_t now = clock_.TickCount();
  for (const auto& [key, timer] : timers_) {
    if (!next || TicksUntil(now, timer.due) < TicksUntil(now, *next)) next = timer.due;
  }
  return next;
}

bool HeadlessUi::Ended(WindowId dialog) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(dialog);
  return node == nullptr || node->ended;
}

void HeadlessUi::NoteOtherThread() const {
  if (std::this_thread::get_id() != uiThread_) {
    lastOtherThread_.store(std::chrono::steady_clock::now().time_since_epoch().count());
  }
}

void HeadlessUi::TimeOut(WindowId dialog) {
  std::lock_guard lock(mutex_);
  timedOut_ = true;
  if (Node* node = Find(dialog)) {
    node->ended = true;
    node->result = -1;
  }
}

// Progress that keeps a modal loop alive: a test step, or a call from another thread. Work that the
// loop makes for itself (timers firing, what they post and paint) does not count, so a loop that
// only turns its own timers ends at the limit instead of spinning for ever.
void HeadlessUi::RunModalLoop(WindowId dialog) {
  using std::chrono::steady_clock;
  auto lastStep = steady_clock::now();
  auto lastActivity = [&] {
    const steady_clock::time_point other{steady_clock::duration(lastOtherThread_.load())};
    return std::max(lastStep, other);
  };
  while (!Ended(dialog)) {
    if (ProcessOne() || FireDueTimer()) {
      if (steady_clock::now() - lastActivity() > loopLimit_) TimeOut(dialog);
      continue;
    }
    std::function<void()> step;
    {
      std::lock_guard lock(mutex_);
      if (!steps_.empty()) {
        step = std::move(steps_.front());
        steps_.pop_front();
      }
    }
    if (step) {
      step();
      lastStep = steady_clock::now();
      continue;
    }
    if (std::optional<uint32_t> due = NextTimerDue()) {
      int32_t wait = TicksUntil(clock_.TickCount(), *due);
      if (wait > 0) clock_.Advance(static_cast<uint32_t>(wait));
      continue;
    }
    bool woken = false;
    {
      std::unique_lock lock(mutex_);
      woken = wake_.wait_until(lock, lastActivity() + loopLimit_, [&] {
        const Node* node = Find(dialog);
        return !queue_.empty() || !paints_.empty() || !steps_.empty() || node == nullptr || node->ended;
      });
    }
    if (!woken) TimeOut(dialog);
  }
}

void HeadlessUi::RunUntilIdle() {
  CheckThread();
  while (ProcessOne()) {
  }
}

void HeadlessUi::AdvanceTime(uint32_t milliseconds) {
  CheckThread();
  uint32_t target = clock_.TickCount() + milliseconds;
  RunUntilIdle();
  for (;;) {
    // A timer whose handler moves the clock on by a period or more would otherwise fire for ever.
    while (TicksUntil(clock_.TickCount(), target) >= 0 && FireDueTimer()) RunUntilIdle();
    std::optional<uint32_t> due = NextTimerDue();
    uint32_t now = clock_.TickCount();
    if (TicksUntil(now, target) <= 0) break;
    uint32_t until = due && TicksUntil(*due, target) >= 0 ? *due : target;
    if (TicksUntil(now, until) > 0) clock_.Advance(until - now);
  }
  RunUntilIdle();
}

// --- Standard dialogs --------------------------------------------------------------------------------

void HeadlessUi::ShowMessageBox(WindowId owner, std::string_view text, std::string_view caption) {
  CheckThread();
  std::lock_guard lock(mutex_);
  messageBoxes_.push_back(ShownMessageBox{owner, std::string(text), std::string(caption)});
}

std::optional<std::string> HeadlessUi::FileDialog(const FileDialogRequest& request) {
  CheckThread();
  std::lock_guard lock(mutex_);
  fileRequests_.push_back(request);
  if (fileAnswers_.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(fileAnswers_.front());
  fileAnswers_.pop_front();
  return answer;
}

// --- Screen and process ------------------------------------------------------------------------------

Size HeadlessUi::ScreenSize() const {
  std::lock_guard lock(mutex_);
  return screen_;
}

Rect HeadlessUi::MonitorWorkArea(WindowId /*window*/) const {
  std::lock_guard lock(mutex_);
  return workArea_;
}

bool HeadlessUi::ActivateExistingWindow(std::string_view windowClass, std::string_view title) {
  std::lock_guard lock(mutex_);
  for (const auto& [cls, t] : otherInstances_) {
    if (cls == windowClass && t == title) {
      activated_.push_back(t);
      return true;
    }
  }
  return false;
}

bool HeadlessUi::AddPrivateFont(std::string_view path) {
  std::lock_guard lock(mutex_);
  fonts_.emplace_back(path);
  std::error_code error;
  return std::filesystem::is_regular_file(std::filesystem::path(std::string(path)), error);
}

// --- Setting the scene -------------------------------------------------------------------------------

void HeadlessUi::SetScreenSize(Size size) {
  std::lock_guard lock(mutex_);
  screen_ = size;
}

void HeadlessUi::SetWorkArea(Rect area) {
  std::lock_guard lock(mutex_);
  workArea_ = area;
}

void HeadlessUi::SetInitialPosition(int templateId, Point topLeft) {
  std::lock_guard lock(mutex_);
  initialPositions_[templateId] = topLeft;
}

void HeadlessUi::AddOtherInstanceWindow(std::string windowClass, std::string title) {
  std::lock_guard lock(mutex_);
  otherInstances_.emplace_back(std::move(windowClass), std::move(title));
}

void HeadlessUi::SetLoopLimit(std::chrono::milliseconds limit) {
  std::lock_guard lock(mutex_);
  loopLimit_ = limit;
}

// --- Driving -----------------------------------------------------------------------------------------

void HeadlessUi::QueueStep(std::function<void()> step) {
  std::lock_guard lock(mutex_);
  steps_.push_back(std::move(step));
  wake_.notify_all();
}

void HeadlessUi::QueueFileDialogAnswer(std::optional<std::string> path) {
  std::lock_guard lock(mutex_);
  fileAnswers_.push_back(std::move(path));
}

bool HeadlessUi::PressButton(WindowId button) {
  CheckThread();
  DialogHandler* handler = nullptr;
  ControlId id = 0;
  {
    std::lock_guard lock(mutex_);
    const Node* node = Find(button);
    if (node == nullptr || node->kind != ControlKind::PushButton || !ReachableLocked(*node)) return false;
    const Node* parent = Find(node->parent);
    handler = parent != nullptr ? parent->handler : nullptr;
    id = node->controlId;
  }
  if (handler != nullptr) handler->OnCommand(id);
  return true;
}

bool HeadlessUi::ClickListRow(WindowId list, int row) {
  CheckThread();
  DialogHandler* handler = nullptr;
  ControlId id = 0;
  int hit = -1;
  {
    std::lock_guard lock(mutex_);
    Node* node = Find(list);
    if (node == nullptr || node->kind != ControlKind::ListView || !ReachableLocked(*node)) return false;
    hit = row >= 0 && row < static_cast<int>(node->rows.size()) ? row : -1;
    node->selected = hit;
    const Node* parent = Find(node->parent);
    handler = parent != nullptr ? parent->handler : nullptr;
    id = node->controlId;
  }
  if (handler != nullptr) handler->OnListClick(id, hit);
  return true;
}

bool HeadlessUi::DoubleClickListRow(WindowId list, int row) {
  if (!ClickListRow(list, row)) return false;
  DialogHandler* handler = nullptr;
  ControlId id = 0;
  int hit = -1;
  {
    std::lock_guard lock(mutex_);
    const Node* node = Find(list);
    if (node == nullptr) return false;
    hit = node->selected;
    const Node* parent = Find(node->parent);
    handler = parent != nullptr ? parent->handler : nullptr;
    id = node->controlId;
  }
  if (handler != nullptr) handler->OnListDoubleClick(id, hit);
  return true;
}

bool HeadlessUi::Hover(WindowId control) {
  CheckThread();
  std::lock_guard lock(mutex_);
  Node* node = Find(control);
  if (node == nullptr || node->dialog || !ReachableLocked(*node)) return false;
  if (!node->hover) {
    node->hover = true;
    InvalidateLocked(*node, control);
  }
  return true;
}

bool HeadlessUi::Leave(WindowId control) {
  CheckThread();
  ControlDelegate* delegate = nullptr;
  {
    std::lock_guard lock(mutex_);
    Node* node = Find(control);
    if (node == nullptr || !node->hover) return false;
    node->hover = false;
    node->pressed = false;
    InvalidateLocked(*node, control);
    delegate = node->delegate;
  }
  if (delegate != nullptr) delegate->OnMouse(MouseEvent{MouseAction::Leave, MouseButton::None, {}});
  return true;
}

bool HeadlessUi::Mouse(WindowId window, MouseAction action, Point at, MouseButton button) {
  CheckThread();
  DialogHandler* handler = nullptr;
  ControlDelegate* delegate = nullptr;
  DialogHandler* commandHandler = nullptr;
  ControlId commandId = 0;
  MouseEvent event{action, button, at};
  {
    std::lock_guard lock(mutex_);
    const Node* origin = Find(window);
    if (origin == nullptr) return false;
    WindowId targetId = capture_ ? capture_ : window;
    Node* target = Find(targetId);
    if (target == nullptr || (!capture_ && !ReachableLocked(*target))) return false;
    if (targetId != window) {
      Point from = OriginLocked(window);
      Point to = OriginLocked(targetId);
      event.at = Point{at.x + from.x - to.x, at.y + from.y - to.y};
    }
    if (target->dialog) {
      handler = target->handler;
    } else {
      delegate = target->delegate;
      if (target->kind == ControlKind::PushButton && button == MouseButton::Left) {
        if (event.action == MouseAction::DoubleClick) event.action = MouseAction::Down;
        if (event.action == MouseAction::Down) target->pressed = true;
        if (event.action == MouseAction::Up && target->pressed) {
          target->pressed = false;
          if (RectXywh(0, 0, target->rect.Width(), target->rect.Height()).Contains(event.at)) {
            const Node* parent = Find(target->parent);
            commandHandler = parent != nullptr ? parent->handler : nullptr;
            commandId = target->controlId;
          }
        }
        InvalidateLocked(*target, targetId);
      }
    }
  }
  if (handler != nullptr) handler->OnMouse(event);
  if (delegate != nullptr) delegate->OnMouse(event);
  if (commandHandler != nullptr) commandHandler->OnCommand(commandId);
  return true;
}

void HeadlessUi::Resize(WindowId window, Size client) {
  Rect r = Geometry(window);
  Move(window, RectXywh(r.left, r.top, client.cx, client.cy), true);
}

// --- Reading back ------------------------------------------------------------------------------------

WindowId HeadlessUi::ActiveModal() const {
  std::lock_guard lock(mutex_);
  return modalStack_.empty() ? WindowId{} : modalStack_.back();
}

WindowId HeadlessUi::FindDialog(int templateId) const {
  std::lock_guard lock(mutex_);
  for (auto it = nodes_.rbegin(); it != nodes_.rend(); ++it) {
    if (it->second->dialog && it->second->templateId == templateId) return WindowId{it->first};
  }
  return {};
}

int HeadlessUi::TemplateId(WindowId dialog) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(dialog);
  return node != nullptr && node->dialog ? node->templateId : 0;
}

PictureIds HeadlessUi::Pictures(WindowId control) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(control);
  return node == nullptr ? PictureIds{} : node->pictures;
}

TextStyle HeadlessUi::TextStyleOf(WindowId control) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(control);
  return node == nullptr ? TextStyle{} : node->textStyle;
}

std::optional<Colour> HeadlessUi::BackgroundOf(WindowId window) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(window);
  return node == nullptr ? std::nullopt : node->background;
}

std::optional<std::pair<Colour, Colour>> HeadlessUi::ProgressColours(WindowId bar) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(bar);
  return node == nullptr ? std::nullopt : node->progressColours;
}

std::vector<ListColumn> HeadlessUi::ListColumns(WindowId list) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(list);
  return node == nullptr ? std::vector<ListColumn>{} : node->columns;
}

bool HeadlessUi::IsHovered(WindowId control) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(control);
  return node != nullptr && node->hover;
}

bool HeadlessUi::IsPressed(WindowId button) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(button);
  return node != nullptr && node->pressed;
}

bool HeadlessUi::Exists(WindowId window) const {
  std::lock_guard lock(mutex_);
  return Find(window) != nullptr;
}

std::optional<uint32_t> HeadlessUi::TimerPeriod(WindowId window, int timerId) const {
  std::lock_guard lock(mutex_);
  auto it = timers_.find(TimerKey{window.value, timerId});
  return it == timers_.end() ? std::nullopt : std::optional<uint32_t>(it->second.period);
}

int HeadlessUi::PaintCount(WindowId window) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(window);
  return node == nullptr ? 0 : node->paints;
}

Picture HeadlessUi::ScreenshotLocked(const Node& node) const {
  if (!node.lastPaint) return {};
  PixelRaster screen(node.rect.Width(), node.rect.Height());
  screen.Copy(node.lastPaint->Raster().Pixels(), {0, 0}, std::nullopt);
  for (WindowId child : node.children) {
    const Node* c = Find(child);
    if (c == nullptr || !c->dialog || !c->visible) continue;
    screen.BlendOver(ScreenshotLocked(*c), Point{c->rect.left, c->rect.top});
  }
  return screen.Pixels();
}

Picture HeadlessUi::Screenshot(WindowId window) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(window);
  return node == nullptr ? Picture{} : ScreenshotLocked(*node);
}

const RecordingCanvas* HeadlessUi::LastPaint(WindowId window) const {
  std::lock_guard lock(mutex_);
  const Node* node = Find(window);
  return node == nullptr ? nullptr : node->lastPaint.get();
}

CursorKind HeadlessUi::Cursor() const {
  std::lock_guard lock(mutex_);
  return cursors_.back();
}

std::vector<CursorKind> HeadlessUi::CursorHistory() const {
  std::lock_guard lock(mutex_);
  return cursors_;
}

std::vector<ShownMessageBox> HeadlessUi::MessageBoxes() const {
  std::lock_guard lock(mutex_);
  return messageBoxes_;
}

std::vector<FileDialogRequest> HeadlessUi::FileDialogRequests() const {
  std::lock_guard lock(mutex_);
  return fileRequests_;
}

std::vector<std::string> HeadlessUi::ActivatedWindows() const {
  std::lock_guard lock(mutex_);
  return activated_;
}

std::vector<std::string> HeadlessUi::PrivateFonts() const {
  std::lock_guard lock(mutex_);
  return fonts_;
}

WindowId HeadlessUi::CaptureHolder() const {
  std::lock_guard lock(mutex_);
  return capture_;
}

bool HeadlessUi::LoopTimedOut() const {
  std::lock_guard lock(mutex_);
  return timedOut_;
}

}  // namespace kemlog::platform::headless
