#include "platform/Form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <QAbstractNativeEventFilter>

#include <cstdio>
#include <cstdlib>
#include <map>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define LUMOSA_XCB 1
#endif

#include "platform/CommandButton.h"
#include "platform/Keys.h"
#include "platform/Screen.h"
#include "platform/Twips.h"

namespace platform {

namespace {

// How long a repaint waits at most for a window just shown to be exposed.
constexpr qint64 kExposeWaitMs = 500;

std::map<std::type_index, Form*>& registry() {
    static std::map<std::type_index, Form*> forms;
    return forms;
}

std::function<void()>& endHook() {
    static std::function<void()> hook;
    return hook;
}

#ifdef LUMOSA_XCB
// A window destroyed by another X client (a window manager or a tool) comes with no close
// request: the program would go on, unseen, with a window that no longer exists. It is taken
// as a close from outside.
class DestroyedWindowWatch : public QObject, public QAbstractNativeEventFilter {
public:
    static constexpr const char* kName = "lumosa-destroyed-window-watch";
    explicit DestroyedWindowWatch(QObject* application) : QObject(application) {
        setObjectName(QLatin1String(kName));
    }
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t" ||
            (static_cast<xcb_generic_event_t*>(message)->response_type & 0x7F) !=
                XCB_DESTROY_NOTIFY) {
            return false;
        }
        const xcb_window_t window = static_cast<xcb_destroy_notify_event_t*>(message)->window;
        for (const auto& entry : registry()) {
            Form* form = entry.second;
            if (form->internalWinId() == window) {
                // After the event is handled: the handler may end the program.
                // A copy: clang 14 cannot capture a structured binding.
                QTimer::singleShot(0, form, [target = form] { target->close(); });
            }
        }
        return false;
    }
};
#endif

}  // namespace

Form::Form(QWidget* parent) : QWidget(parent, Qt::Window) {
#ifdef LUMOSA_XCB
    // One watch for the application, going with it.
    QCoreApplication* application = QCoreApplication::instance();
    if (application && !application->findChild<QObject*>(QLatin1String(DestroyedWindowWatch::kName),
                                                         Qt::FindDirectChildrenOnly)) {
        application->installNativeEventFilter(new DestroyedWindowWatch(application));
    }
#endif
}

Form::~Form() {
    Forms::remove(this);
}

QSize Form::frameExtra() const {
    if (!isVisible()) {
        return {0, 0};
    }
    return frameGeometry().size() - geometry().size();
}

float Form::Width() const {
    const int px = width() + frameExtra().width();
    return px == setWidthPx_ ? setWidth_ : toTwips(px);
}

float Form::Height() const {
    const int px = height() + frameExtra().height();
    return px == setHeightPx_ ? setHeight_ : toTwips(px);
}

float Form::Left() const {
    const int px = frameGeometry().x() - Screen::Origin().x();
    return px == setLeftPx_ ? setLeft_ : toTwips(px);
}

float Form::Top() const {
    const int px = frameGeometry().y() - Screen::Origin().y();
    return px == setTopPx_ ? setTop_ : toTwips(px);
}

void Form::setWidth(float twips) {
    setWidth_ = twips;
    setWidthPx_ = toPixels(twips);
    resize(std::max(1, setWidthPx_ - frameExtra().width()), height());
}

void Form::setHeight(float twips) {
    setHeight_ = twips;
    setHeightPx_ = toPixels(twips);
    resize(width(), std::max(1, setHeightPx_ - frameExtra().height()));
}

void Form::setLeft(float twips) {
    setLeft_ = twips;
    setLeftPx_ = toPixels(twips);
    move(Screen::Origin().x() + setLeftPx_, frameGeometry().y());
}

void Form::setTop(float twips) {
    setTop_ = twips;
    setTopPx_ = toPixels(twips);
    move(frameGeometry().x(), Screen::Origin().y() + setTopPx_);
}

void Form::setClientSize(float widthTwips, float heightTwips) {
    resize(std::max(1, toPixels(widthTwips)), std::max(1, toPixels(heightTwips)));
}

void Form::centreOnScreen() {
    setLeft((Screen::Width() - Width()) / 2);
    setTop((Screen::Height() - Height()) / 2);
}

Form::FormState Form::WindowState() const {
    return isMinimized() ? Minimized : state_;
}

void Form::setWindowState(FormState state) {
    state_ = state;
    if (state == Maximized) {
        applyMaximized();
    } else if (state == Minimized) {
        showMinimized();
    }
}

void Form::applyMaximized() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    // A frameless window covers the whole screen by its own geometry, also where no window
    // manager honours a full-screen request; a framed one gets the available area at once,
    // since a window manager may first report a default size.
    if (windowFlags().testFlag(Qt::FramelessWindowHint)) {
        setGeometry(screen->geometry());
    } else {
        // The frame stays on the screen: where the frame is known it is counted in, and a
        // window manager is also asked to maximise, which places the frame for us.
        const QRect outer = isVisible() ? frameGeometry() : geometry();
        const QMargins frame(geometry().left() - outer.left(), geometry().top() - outer.top(),
                             outer.right() - geometry().right(),
                             outer.bottom() - geometry().bottom());
        setGeometry(screen->availableGeometry().marginsRemoved(frame));
        QWidget::setWindowState(QWidget::windowState() | Qt::WindowMaximized);
    }
}

void Form::Show() {
    hiddenByProgram_ = false;
    if (state_ == Maximized) {
        applyMaximized();
    }
    // Showing the active window again activates nothing, yet it must run Form_Activate.
    const bool wasActive = isVisible() && isActiveWindow();
    exposeAwaited_ = false;
    // A tool window or a dialog is the transient of the start-up window: window managers keep it
    // above that one, full screen and just clicked included, and on its monitor.
    Form* owner = Forms::startUp();
    const Qt::WindowType type = windowType();
    if ((type == Qt::Tool || type == Qt::Dialog) && owner != nullptr && owner != this) {
        winId();
        owner->winId();
        windowHandle()->setTransientParent(owner->windowHandle());
    }
    show();
    if (state_ == Maximized && !windowFlags().testFlag(Qt::FramelessWindowHint)) {
        // The frame is known once the window is shown: keep it inside the available area.
        applyMaximized();
    }
    if (resizeHeld_) {
        resizeHeld_ = false;
        runResize();
    }
    raise();
    activateWindow();
    if (wasActive && !unloading_) {
        Form_Activate();
    }
}

void Form::Hide() {
    hiddenByProgram_ = true;
    hide();
}

void Form::Refresh() {
    // A window just shown reaches the screen only once the window system has exposed it, and
    // that news comes through the event loop: let the window system's events (never the
    // user's) through until then, for a short while at most.
    // Waits once per showing, so a window that is never exposed costs no more than that.
    QWindow* window = windowHandle();
    if (!exposeAwaited_ && window && isVisible() && !window->isExposed()) {
        exposeAwaited_ = true;
        lettingEventsThrough_ = true;
        QElapsedTimer waited;
        waited.start();
        while (!unloading_ && !window->isExposed() && waited.elapsed() < kExposeWaitMs) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        }
        lettingEventsThrough_ = false;
        if (destroyWhenDone_) {
            deleteLater();
        }
    }
    if (!unloading_) {
        repaint();
    }
}

void Form::stopTimers() {
    for (QTimer* timer : findChildren<QTimer*>()) {
        timer->stop();
    }
}

bool Form::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && !unloading_) {
        Form_Activate();
    }
    return QWidget::event(event);
}

void Form::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!isVisible()) {
        // Qt hands over the size while it is still showing the window: Form_Resize runs once
        // the window is on screen (Show), with its frame known.
        resizeHeld_ = true;
        return;
    }
    runResize();
}

void Form::runResize() {
    if (inResize_ || unloading_ || isMinimized()) {
        return;
    }
    inResize_ = true;
    Form_Resize();
    inResize_ = false;
}

void Form::keyPressEvent(QKeyEvent* event) {
    int keyAscii = keyAsciiOf(*event);
    if (keyAscii == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    Form_KeyPress(keyAscii);
    // Enter presses the default button and Escape the cancel button, unless the handler
    // took the key (set it to 0).
    const char* role = keyAscii == 13   ? CommandButton::kDefaultProperty
                       : keyAscii == 27 ? CommandButton::kCancelProperty
                                        : nullptr;
    if (role) {
        for (QPushButton* button : findChildren<QPushButton*>()) {
            if (button->property(role).toBool() && button->isEnabled()) {
                button->click();
                return;
            }
        }
    }
}

void Form::closeEvent(QCloseEvent* event) {
    // The window is destroyed by Forms::Unload, never by Qt behind our back.
    event->ignore();
    if (!unloading_) {
        Forms::Unload(*this, FormControlMenu);
    }
}

bool Forms::Unload(Form& form, Form::UnloadMode mode) {
    if (form.unloading_) {
        return true;
    }
    bool cancel = false;
    form.Form_QueryUnload(cancel, mode);
    if (cancel || find(typeid(form)) != &form) {
        // Cancelled, or the handler ended the program or unloaded the window itself.
        return find(typeid(form)) != &form;
    }
    form.Form_Unload();
    remove(&form);
    form.discard();
    return true;
}

void Form::discard() {
    unloading_ = true;
    stopTimers();
    hide();
    if (lettingEventsThrough_) {
        destroyWhenDone_ = true;
    } else {
        deleteLater();
    }
}

void Forms::discardAll() {
    const auto forms = registry();
    registry().clear();
    for (const auto& [type, form] : forms) {
        form->discard();
    }
}

int Forms::count() {
    return static_cast<int>(registry().size());
}

Form* Forms::find(std::type_index type) {
    const auto it = registry().find(type);
    return it == registry().end() ? nullptr : it->second;
}

namespace {
QPointer<Form>& startUpForm() {
    static QPointer<Form> form;
    return form;
}
}  // namespace

void Forms::setStartUp(Form* form) {
    startUpForm() = form;
}

Form* Forms::startUp() {
    return startUpForm();
}

void Forms::add(std::type_index type, Form* form) {
    registry()[type] = form;
}

void Forms::remove(Form* form) {
    auto& forms = registry();
    for (auto it = forms.begin(); it != forms.end(); ++it) {
        if (it->second == form) {
            forms.erase(it);
            return;
        }
    }
}

void End() {
    if (endHook()) {
        Forms::discardAll();
        endHook()();
        return;
    }
    for (const auto& [type, form] : registry()) {
        form->hide();
    }
    std::fflush(stdout);
    std::fflush(stderr);
    // Leaves at once: no destructor or handler of ours may run once the program has ended.
    std::_Exit(0);
}

void setEndHook(std::function<void()> hook) {
    endHook() = std::move(hook);
}

}  // namespace platform
