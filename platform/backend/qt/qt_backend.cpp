// The display backend over QtGui. Each top-level window of the window system
// is mirrored by one frameless QWindow with its own raster backing store;
// Present paints the window's back buffer into it while the buffer is valid
// (a QImage wraps our pixels, nothing is copied on our side) and flushes.
// Everything Qt reports is turned into an InputEvent and enqueued: no window
// procedure is ever called from here, and no Qt modal API is used. The wait
// of the GUI thread is Qt's own event loop, woken from any thread through the
// event dispatcher.
#include <QAbstractEventDispatcher>
#include <QBackingStore>
#include <QClipboard>
#include <QCursor>
#include <QEvent>
#include <QExposeEvent>
#include <QGuiApplication>
#include <QImage>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QRegion>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <qguiapplication_platform.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <map>
#include <memory>

#include "backend/qt/qt_application.h"
#include "backend/qt/qt_keys.h"
#include "plat/backend.h"
#include "plat/clock.h"
#include "plat/messages.h"
#include "plat/packed_dib.h"

// Two calls of Xlib, declared here: its header's macros clash with Qt's.
extern "C" {
int XBell(Display* display, int percent);
int XFlush(Display* display);
}

namespace plat::qt {

namespace {

// Registered clipboard formats travel under this MIME prefix and their name.
constexpr const char* kFormatMimePrefix = "application/x-plat-format-";
// How many of our own geometry requests a late notification of Qt may still echo.
constexpr size_t kRememberedGeometries = 8;
// How many of our own activation requests the display may still report back.
constexpr size_t kRememberedActivations = 8;

QRect ToQRect(const RECT& rect) {
  return QRect(static_cast<int>(rect.left), static_cast<int>(rect.top), static_cast<int>(rect.right - rect.left),
               static_cast<int>(rect.bottom - rect.top));
}

RECT ToRect(const QRect& rect) { return RECT{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()}; }

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

Qt::CursorShape SystemCursorShape(int id) {
  switch (id) {
    case IDC_IBEAM: return Qt::IBeamCursor;
    case IDC_WAIT: return Qt::WaitCursor;
    case IDC_CROSS: return Qt::CrossCursor;
    case IDC_UPARROW: return Qt::UpArrowCursor;
    case IDC_SIZENWSE: return Qt::SizeFDiagCursor;
    case IDC_SIZENESW: return Qt::SizeBDiagCursor;
    case IDC_SIZEWE: return Qt::SizeHorCursor;
    case IDC_SIZENS: return Qt::SizeVerCursor;
    case IDC_SIZEALL: return Qt::SizeAllCursor;
    case IDC_NO: return Qt::ForbiddenCursor;
    case IDC_HAND: return Qt::PointingHandCursor;
    case IDC_APPSTARTING: return Qt::BusyCursor;
    case IDC_HELP: return Qt::WhatsThisCursor;
    default: return Qt::ArrowCursor;
  }
}

Qt::Edges EdgesOfHit(int hit) {
  switch (hit) {
    case HTLEFT: return Qt::LeftEdge;
    case HTRIGHT: return Qt::RightEdge;
    case HTTOP: return Qt::TopEdge;
    case HTBOTTOM: return Qt::BottomEdge;
    case HTTOPLEFT: return Qt::TopEdge | Qt::LeftEdge;
    case HTTOPRIGHT: return Qt::TopEdge | Qt::RightEdge;
    case HTBOTTOMLEFT: return Qt::BottomEdge | Qt::LeftEdge;
    case HTBOTTOMRIGHT: return Qt::BottomEdge | Qt::RightEdge;
    default: return {};
  }
}

backend::MouseButton ButtonOf(Qt::MouseButton button) {
  if (button == Qt::RightButton) return backend::MouseButton::kRight;
  if (button == Qt::MiddleButton) return backend::MouseButton::kMiddle;
  return backend::MouseButton::kLeft;
}

POINT ScreenPoint(const QPointF& global) { return POINT{static_cast<LONG>(std::floor(global.x())), static_cast<LONG>(std::floor(global.y()))}; }

// A packed DIB as a 32-bit image, through the gate and the normaliser.
QImage ImageFromPackedDib(const std::vector<uint8_t>& bytes) {
  const auto view = ValidatePackedDib(bytes.data(), bytes.size());
  if (!view) return {};
  HGLOBAL normal = NormalizePackedDib(*view, 32);
  if (normal == 0) return {};
  QImage image;
  const auto* block = static_cast<const uint8_t*>(GlobalLock(normal));
  if (block != nullptr) {
    BITMAPINFOHEADER header;
    std::memcpy(&header, block, sizeof(header));
    const int width = header.biWidth;
    const int height = std::abs(header.biHeight);
    image = QImage(width, height, QImage::Format_RGB32);
    const size_t stride = static_cast<size_t>(width) * 4;
    for (int y = 0; y < height; ++y) {
      const uint8_t* row = block + header.biSize + stride * static_cast<size_t>(header.biHeight > 0 ? height - 1 - y : y);
      std::memcpy(image.scanLine(y), row, stride);
    }
    GlobalUnlock(normal);
  }
  GlobalFree(normal);
  return image;
}

// Any image as a packed DIB with a 40-byte header and 24-bit bottom-up rows.
std::vector<uint8_t> PackedDibFromImage(const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  const int width = image.width();
  const int height = image.height();
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  std::vector<uint8_t> dib(sizeof(BITMAPINFOHEADER) + stride * static_cast<size_t>(height), 0);
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(stride * static_cast<size_t>(height));
  std::memcpy(dib.data(), &header, sizeof(header));
  for (int y = 0; y < height; ++y) {
    const auto* in = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
    uint8_t* out = dib.data() + sizeof(header) + stride * static_cast<size_t>(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      out[x * 3] = static_cast<uint8_t>(in[x]);
      out[x * 3 + 1] = static_cast<uint8_t>(in[x] >> 8);
      out[x * 3 + 2] = static_cast<uint8_t>(in[x] >> 16);
    }
  }
  return dib;
}

class QtBackend;

// One mirrored top-level window.
class NativeWindow final : public QWindow {
 public:
  NativeWindow(QtBackend& owner, const backend::TopLevelSpec& spec);

  HWND hwnd() const { return hwnd_; }
  // Paints `dirty` of the back buffer and shows it; nothing while unexposed
  // (the expose that follows asks for the whole window again).
  void Paint(const backend::PixelView& buffer, const std::vector<RECT>& dirty);
  void RequestGeometry(const RECT& rect);
  void SetTextInput(const RECT* caret_in_window);

 protected:
  bool event(QEvent* event) override;
  void exposeEvent(QExposeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override { PostMouse(backend::EventKind::kMouseDown, event); }
  void mouseReleaseEvent(QMouseEvent* event) override { PostMouse(backend::EventKind::kMouseUp, event); }
  void mouseDoubleClickEvent(QMouseEvent*) override {}  // the window system counts clicks itself
  void mouseMoveEvent(QMouseEvent* event) override { PostMouse(backend::EventKind::kMouseMove, event); }
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override { PostKey(backend::EventKind::kKeyDown, event); }
  void keyReleaseEvent(QKeyEvent* event) override { PostKey(backend::EventKind::kKeyUp, event); }

 private:
  void PostMouse(backend::EventKind kind, QMouseEvent* event);
  void PostKey(backend::EventKind kind, QKeyEvent* event);
  void PostGeometryIfForeign();

  QtBackend& owner_;
  HWND hwnd_;
  QBackingStore store_;
  std::deque<RECT> requested_;  // our recent geometry requests, newest last
  bool takes_text_ = false;
  QRect caret_;
};

class QtClipboard final : public backend::Clipboard {
 public:
  void Publish(const std::vector<backend::ClipboardItem>& items) override;
  bool Available(UINT format, std::string_view name) override;
  std::optional<std::vector<uint8_t>> Fetch(UINT format, std::string_view name) override;
  bool is_publishing() const { return is_publishing_; }

 private:
  bool is_publishing_ = false;
};

class QtBackend final : public backend::Backend {
 public:
  QtBackend() : dispatcher_(QAbstractEventDispatcher::instance(QGuiApplication::instance()->thread())) {
    timer_.setSingleShot(true);
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) display_ = x11->display();
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, &connections_, [this] {
      if (clipboard_.is_publishing() || QGuiApplication::clipboard()->ownsClipboard()) return;
      backend::InputEvent event;
      event.kind = backend::EventKind::kClipboardChanged;
      backend::PostInputEvent(std::move(event));
    });
    QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, &connections_, [this](QWindow* focus) {
      auto* ours = dynamic_cast<NativeWindow*>(focus);
      const HWND hwnd = ours != nullptr && windows_.count(ours->hwnd()) != 0 ? ours->hwnd() : nullptr;
      if (IsEchoOfOurActivation(hwnd)) return;
      backend::InputEvent event;
      event.kind = hwnd != nullptr ? backend::EventKind::kActivated : backend::EventKind::kDeactivated;
      event.window = hwnd;
      backend::PostInputEvent(std::move(event));
    });
  }
  ~QtBackend() override { windows_.clear(); }

  std::string_view Name() const override { return "qt"; }

  backend::ScreenInfo Screen() const override {
    backend::ScreenInfo info;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return info;
    info.width_px = screen->geometry().width();
    info.height_px = screen->geometry().height();
    info.bits_per_pixel = screen->depth() >= 24 ? 32 : screen->depth();
    info.work_area = ToRect(screen->availableGeometry());
    info.dpi = static_cast<int>(std::lround(screen->logicalDotsPerInch()));
    return info;
  }

  bool Create(const backend::TopLevelSpec& spec) override {
    auto window = std::make_unique<NativeWindow>(*this, spec);
    if (spec.owner != nullptr) {
      if (auto found = windows_.find(spec.owner); found != windows_.end()) window->setTransientParent(found->second.get());
    }
    window->setCursor(cursor_);
    windows_[spec.hwnd] = std::move(window);
    return true;
  }
  void Destroy(HWND hwnd) override {
    auto found = windows_.find(hwnd);
    if (found == windows_.end()) return;
    if (grab_ == hwnd) grab_ = nullptr;
    for (auto& [other, window] : windows_) {
      if (window->transientParent() == found->second.get()) window->setTransientParent(nullptr);
    }
    std::unique_ptr<NativeWindow> gone = std::move(found->second);
    windows_.erase(found);
    gone->hide();
  }
  void SetGeometry(HWND hwnd, const RECT& rect) override {
    if (NativeWindow* window = Find(hwnd)) window->RequestGeometry(rect);
  }
  void Show(HWND hwnd, bool is_visible) override {
    if (NativeWindow* window = Find(hwnd)) window->setVisible(is_visible);
  }
  void SetTitle(HWND hwnd, std::string_view utf8) override {
    if (NativeWindow* window = Find(hwnd)) window->setTitle(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
  }
  void SetShape(HWND hwnd, const std::vector<RECT>* shape) override {
    NativeWindow* window = Find(hwnd);
    if (window == nullptr) return;
    QRegion mask;
    if (shape != nullptr) {
      for (const RECT& rect : *shape) mask += ToQRect(rect);
    }
    window->setMask(mask);  // an empty region takes the mask away
  }
  void Present(HWND hwnd, const backend::PixelView& buffer, const std::vector<RECT>& dirty) override {
    if (NativeWindow* window = Find(hwnd)) window->Paint(buffer, dirty);
  }
  void Raise(HWND hwnd) override {
    if (NativeWindow* window = Find(hwnd)) window->raise();
  }
  void Activate(HWND hwnd) override {
    NativeWindow* window = Find(hwnd);
    if (window == nullptr || !window->isVisible()) return;
    activations_.push_back(hwnd);
    if (activations_.size() > kRememberedActivations) activations_.pop_front();
    window->requestActivate();
  }
  // Without a window manager (bare X server) both give false and the window
  // system tracks the move itself.
  bool BeginSystemMove(HWND hwnd, POINT) override {
    NativeWindow* window = Find(hwnd);
    return window != nullptr && window->startSystemMove();
  }
  bool BeginSystemResize(HWND hwnd, int hit_code, POINT) override {
    NativeWindow* window = Find(hwnd);
    const Qt::Edges edges = EdgesOfHit(hit_code);
    return window != nullptr && edges != Qt::Edges{} && window->startSystemResize(edges);
  }

  void SetCursor(const backend::CursorImage* cursor) override {
    if (cursor == nullptr) {
      cursor_ = QCursor(Qt::BlankCursor);
    } else if (cursor->system_id != 0 || cursor->argb.empty()) {
      cursor_ = QCursor(SystemCursorShape(cursor->system_id));
    } else {
      QImage image(reinterpret_cast<const uchar*>(cursor->argb.data()), cursor->width_px, cursor->height_px,
                   static_cast<qsizetype>(cursor->width_px) * 4, QImage::Format_ARGB32);
      cursor_ = QCursor(QPixmap::fromImage(image.copy()), static_cast<int>(cursor->hotspot.x), static_cast<int>(cursor->hotspot.y));
    }
    for (auto& [hwnd, window] : windows_) window->setCursor(cursor_);
  }
  void SetPointerGrab(HWND hwnd) override {
    if (grab_ != nullptr) {
      if (NativeWindow* window = Find(grab_)) window->setMouseGrabEnabled(false);
    }
    grab_ = nullptr;
    if (NativeWindow* window = Find(hwnd); window != nullptr && window->setMouseGrabEnabled(true)) grab_ = hwnd;
  }
  POINT CursorPos() const override {
    const QPoint at = QCursor::pos();
    return POINT{at.x(), at.y()};
  }
  void SetCursorPos(POINT screen) override { QCursor::setPos(static_cast<int>(screen.x), static_cast<int>(screen.y)); }
  void SetTextInput(HWND hwnd, const RECT* caret) override {
    if (text_input_ != nullptr && text_input_ != hwnd) {
      if (NativeWindow* window = Find(text_input_)) window->SetTextInput(nullptr);
    }
    text_input_ = hwnd;
    NativeWindow* window = Find(hwnd);
    if (window == nullptr) return;
    if (caret == nullptr) {
      window->SetTextInput(nullptr);
      return;
    }
    const QPoint origin = window->geometry().topLeft();
    RECT local{caret->left - origin.x(), caret->top - origin.y(), caret->right - origin.x(), caret->bottom - origin.y()};
    window->SetTextInput(&local);
  }

  void WaitForEvents(const backend::WaitRequest& request) override {
    if (request.deadline_ms != backend::WaitRequest::kNoDeadline) {
      const uint64_t now = CurrentClock().MonotonicMs();
      if (request.deadline_ms <= now) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
      }
      timer_.start(static_cast<int>(std::min<uint64_t>(request.deadline_ms - now, INT32_MAX)));
    }
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    timer_.stop();
  }
  void Wake() override {
    if (dispatcher_ != nullptr) dispatcher_->wakeUp();
  }

  void Beep(UINT) override {
    // The offscreen platform answers the native interface with no display.
    if (display_ == nullptr) return;
    XBell(display_, 0);
    XFlush(display_);
  }
  backend::Clipboard& SystemClipboard() override { return clipboard_; }
  void Journal(std::string_view, std::string_view) override {}  // the user sees it on the screen

  // The display reports our own activation requests back, late: a report of
  // an earlier request (or the moment between two windows without focus)
  // would undo a later one, and the latest is no news either. Anything else
  // is the system's own change.
  bool IsEchoOfOurActivation(HWND hwnd) {
    if (activations_.empty()) return false;
    if (hwnd == nullptr) return true;
    const auto found = std::find(activations_.begin(), activations_.end(), hwnd);
    if (found == activations_.end()) return false;
    activations_.erase(activations_.begin(), found + 1);
    return true;
  }

  NativeWindow* Find(HWND hwnd) const {
    auto found = windows_.find(hwnd);
    return found == windows_.end() ? nullptr : found->second.get();
  }

 private:
  QAbstractEventDispatcher* dispatcher_;
  QObject connections_;  // ends the signal connections with the backend
  QTimer timer_;
  Display* display_ = nullptr;
  std::map<HWND, std::unique_ptr<NativeWindow>> windows_;
  QCursor cursor_{Qt::ArrowCursor};
  HWND grab_ = nullptr;
  HWND text_input_ = nullptr;
  std::deque<HWND> activations_;  // our activation requests not yet reported back, oldest first
  QtClipboard clipboard_;
};

NativeWindow::NativeWindow(QtBackend& owner, const backend::TopLevelSpec& spec)
    : owner_(owner), hwnd_(spec.hwnd), store_(this) {
  setSurfaceType(QSurface::RasterSurface);
  Qt::WindowFlags flags = Qt::FramelessWindowHint;
  switch (spec.kind) {
    case backend::TopLevelKind::kNormal: flags |= Qt::Window; break;
    case backend::TopLevelKind::kTool: flags |= Qt::Dialog; break;
    case backend::TopLevelKind::kPopup: flags |= Qt::ToolTip | Qt::WindowDoesNotAcceptFocus; break;
  }
  if (spec.is_topmost) flags |= Qt::WindowStaysOnTopHint;
  setFlags(flags);
  setTitle(QString::fromStdString(spec.title));
  RequestGeometry(spec.rect);
}

void NativeWindow::RequestGeometry(const RECT& rect) {
  requested_.push_back(rect);
  if (requested_.size() > kRememberedGeometries) requested_.pop_front();
  const QRect wanted = ToQRect(rect);
  setGeometry(QRect(wanted.topLeft(), wanted.size().expandedTo(QSize(1, 1))));
  if (store_.size() != geometry().size()) store_.resize(geometry().size());
}

void NativeWindow::Paint(const backend::PixelView& buffer, const std::vector<RECT>& dirty) {
  if (!isExposed() || buffer.pixels == nullptr) return;
  const QSize size(buffer.width_px, buffer.height_px);
  if (store_.size() != size) store_.resize(size);
  QRegion region;
  for (const RECT& rect : dirty) region += ToQRect(rect).intersected(QRect(QPoint(0, 0), size));
  if (region.isEmpty()) return;
  // Our pixels as they are: the image only points at the back buffer.
  const QImage pixels(reinterpret_cast<const uchar*>(buffer.pixels), buffer.width_px, buffer.height_px,
                      static_cast<qsizetype>(buffer.stride_bytes), QImage::Format_RGB32);
  store_.beginPaint(region);
  {
    QPainter painter(store_.paintDevice());
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& rect : region) painter.drawImage(rect, pixels, rect);
  }
  store_.endPaint();
  store_.flush(region);
}

void NativeWindow::SetTextInput(const RECT* caret_in_window) {
  takes_text_ = caret_in_window != nullptr;
  if (caret_in_window != nullptr) caret_ = ToQRect(*caret_in_window);
  if (QGuiApplication::focusWindow() == this) QGuiApplication::inputMethod()->update(Qt::ImEnabled | Qt::ImCursorRectangle);
}

bool NativeWindow::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::Close: {
      event->ignore();
      backend::InputEvent close;
      close.kind = backend::EventKind::kCloseRequested;
      close.window = hwnd_;
      backend::PostInputEvent(std::move(close));
      return true;
    }
    case QEvent::Leave: {
      // Only when the pointer left every window of ours.
      const QPoint at = QCursor::pos();
      for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (window != this && window->isVisible() && window->geometry().contains(at) && dynamic_cast<NativeWindow*>(window) != nullptr) {
          return true;
        }
      }
      backend::InputEvent left;
      left.kind = backend::EventKind::kPointerLeft;
      left.window = hwnd_;
      backend::PostInputEvent(std::move(left));
      return true;
    }
    case QEvent::InputMethodQuery: {
      auto* query = static_cast<QInputMethodQueryEvent*>(event);
      query->setValue(Qt::ImEnabled, takes_text_);
      query->setValue(Qt::ImCursorRectangle, caret_);
      query->setValue(Qt::ImHints, static_cast<int>(Qt::ImhNone));
      query->accept();
      return true;
    }
    case QEvent::InputMethod: {
      // A commit is typed text: a processed key whose characters become WM_CHAR.
      auto* input = static_cast<QInputMethodEvent*>(event);
      const QString commit = input->commitString();
      if (!commit.isEmpty()) {
        backend::InputEvent down;
        down.kind = backend::EventKind::kKeyDown;
        down.window = hwnd_;
        down.virtual_key = kVkProcessKey;
        down.text = commit.toStdString();
        backend::PostInputEvent(std::move(down));
        backend::InputEvent up;
        up.kind = backend::EventKind::kKeyUp;
        up.window = hwnd_;
        up.virtual_key = kVkProcessKey;
        backend::PostInputEvent(std::move(up));
      }
      input->accept();
      return true;
    }
    default:
      return QWindow::event(event);
  }
}

void NativeWindow::exposeEvent(QExposeEvent*) {
  if (!isExposed()) return;
  backend::InputEvent exposed;
  exposed.kind = backend::EventKind::kExposed;
  exposed.window = hwnd_;
  exposed.rect = RECT{0, 0, width(), height()};
  backend::PostInputEvent(std::move(exposed));
}

void NativeWindow::moveEvent(QMoveEvent*) { PostGeometryIfForeign(); }
void NativeWindow::resizeEvent(QResizeEvent*) { PostGeometryIfForeign(); }

// The system moved or sized the window (a window manager, a system move):
// the window system takes the new rectangle. Echoes of our own requests are
// not news.
void NativeWindow::PostGeometryIfForeign() {
  const RECT now = ToRect(geometry());
  for (const RECT& rect : requested_) {
    if (SameRect(rect, now)) return;
  }
  requested_.push_back(now);
  if (requested_.size() > kRememberedGeometries) requested_.pop_front();
  backend::InputEvent changed;
  changed.kind = backend::EventKind::kGeometryChanged;
  changed.window = hwnd_;
  changed.rect = now;
  backend::PostInputEvent(std::move(changed));
}

void NativeWindow::wheelEvent(QWheelEvent* event) {
  backend::InputEvent wheel;
  wheel.kind = backend::EventKind::kWheel;
  wheel.window = hwnd_;
  wheel.screen = ScreenPoint(event->globalPosition());
  wheel.wheel_delta = event->angleDelta().y();
  if (wheel.wheel_delta != 0) backend::PostInputEvent(std::move(wheel));
}

void NativeWindow::PostMouse(backend::EventKind kind, QMouseEvent* event) {
  backend::InputEvent mouse;
  mouse.kind = kind;
  mouse.window = hwnd_;
  mouse.screen = ScreenPoint(event->globalPosition());
  mouse.button = ButtonOf(event->button());
  if (kind != backend::EventKind::kMouseMove && event->button() != Qt::LeftButton && event->button() != Qt::RightButton &&
      event->button() != Qt::MiddleButton) {
    return;  // extra buttons have no message
  }
  backend::PostInputEvent(std::move(mouse));
}

void NativeWindow::PostKey(backend::EventKind kind, QKeyEvent* event) {
  // X11 repeats a held key as release and press pairs; the window system
  // wants repeated presses only.
  if (kind == backend::EventKind::kKeyUp && event->isAutoRepeat()) return;
  const KeyCode code = TranslateKey(event->key(), event->modifiers(), event->text().toStdString(), event->nativeScanCode());
  if (code.virtual_key == 0) return;
  backend::InputEvent key;
  key.kind = kind;
  key.window = hwnd_;
  key.virtual_key = code.virtual_key;
  key.scan_code = code.scan_code;
  key.is_extended = code.is_extended;
  key.is_repeat = event->isAutoRepeat() && kind == backend::EventKind::kKeyDown;
  if (kind == backend::EventKind::kKeyDown) key.text = event->text().toStdString();
  backend::PostInputEvent(std::move(key));
}

void QtClipboard::Publish(const std::vector<backend::ClipboardItem>& items) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  is_publishing_ = true;
  if (items.empty()) {
    clipboard->clear();
    is_publishing_ = false;
    return;
  }
  auto* data = new QMimeData;
  for (const backend::ClipboardItem& item : items) {
    if (item.format == CF_TEXT) {
      data->setText(QString::fromUtf8(reinterpret_cast<const char*>(item.bytes.data()), static_cast<qsizetype>(item.bytes.size())));
    } else if (item.format == CF_DIB) {
      const QImage image = ImageFromPackedDib(item.bytes);
      if (!image.isNull()) data->setImageData(image);
    } else if (!item.name.empty()) {
      data->setData(QString::fromStdString(kFormatMimePrefix + item.name),
                    QByteArray(reinterpret_cast<const char*>(item.bytes.data()), static_cast<qsizetype>(item.bytes.size())));
    }
  }
  clipboard->setMimeData(data);  // the clipboard owns it
  is_publishing_ = false;
}

bool QtClipboard::Available(UINT format, std::string_view name) {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (data == nullptr) return false;
  if (format == CF_TEXT) return data->hasText();
  if (format == CF_DIB) return data->hasImage();
  return !name.empty() && data->hasFormat(QString::fromStdString(kFormatMimePrefix + std::string(name)));
}

std::optional<std::vector<uint8_t>> QtClipboard::Fetch(UINT format, std::string_view name) {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (data == nullptr) return std::nullopt;
  if (format == CF_TEXT) {
    if (!data->hasText()) return std::nullopt;
    const QByteArray text = data->text().toUtf8();
    return std::vector<uint8_t>(text.begin(), text.end());
  }
  if (format == CF_DIB) {
    if (!data->hasImage()) return std::nullopt;
    const QImage image = qvariant_cast<QImage>(data->imageData());
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) return std::nullopt;
    return PackedDibFromImage(image);
  }
  if (name.empty()) return std::nullopt;
  const QString mime = QString::fromStdString(kFormatMimePrefix + std::string(name));
  if (!data->hasFormat(mime)) return std::nullopt;
  const QByteArray bytes = data->data(mime);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace

}  // namespace plat::qt

// The backend, or null when no display can be opened (the caller then runs
// headless). Called on the thread that will run the window system's loop.
extern "C" __attribute__((visibility("default"))) plat::backend::Backend* PlatCreateQtBackend() {
  if (!plat::qt::EnsureDisplayApplication()) return nullptr;
  return new plat::qt::QtBackend;
}

extern "C" __attribute__((visibility("default"))) plat::backend::Backend* plat_qt_create_backend() { return PlatCreateQtBackend(); }
