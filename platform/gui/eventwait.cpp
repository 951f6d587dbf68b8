#include "platform/gui/eventwait.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <vector>

namespace platform {

namespace {

// The modal window in front when each running wait began (innermost last): a window that
// became modal later is a box of the waiting operation.
std::vector<QPointer<QWidget>> g_waits;
bool g_closing = false;
QPointer<QWidget> g_programWindow;

struct AbortEntry {
    QPointer<QWidget> window;
    QPointer<QAbstractButton> button;
};
std::vector<AbortEntry> g_aborts;

bool IsUserInput(const QEvent* e)
{
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    case QEvent::Close:
        return e->spontaneous();  // the close box; a close from code is no input
    default:
        return false;
    }
}

// The abort of a window, while it can be used.
QAbstractButton* AbortOf(const QWidget* window)
{
    for (const AbortEntry& a : g_aborts)
        if (a.window == window && a.button && a.button->isEnabled() && a.button->isVisible())
            return a.button;
    return nullptr;
}

// Scrolling a list or a text only moves the view: the mouse on its scroll bars, and the
// wheel over it.
bool IsScrolling(QWidget* w, const QEvent* e)
{
    const bool mouse = e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonRelease
                       || e->type() == QEvent::MouseButtonDblClick;
    if (!mouse && e->type() != QEvent::Wheel)
        return false;
    if (auto* bar = qobject_cast<QScrollBar*>(w)) {
        for (QWidget* p = bar->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
            if (auto* area = qobject_cast<QAbstractScrollArea*>(p))
                return area->verticalScrollBar() == bar || area->horizontalScrollBar() == bar;
        return false;
    }
    const auto* area = w->parentWidget() ? qobject_cast<QAbstractScrollArea*>(w->parentWidget()) : nullptr;
    return e->type() == QEvent::Wheel && area && area->viewport() == w;
}

// The widget a click on a window's platform side is for. Judged there, a refused click does
// not even take the keyboard focus, which Qt hands on before the widget sees the click.
QWidget* ClickedWidget(QObject* receiver, QEvent* e)
{
    auto* window = qobject_cast<QWindow*>(receiver);
    if (!window || (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseButtonDblClick))
        return nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->windowHandle() == window) {
            QWidget* child = top->childAt(static_cast<QMouseEvent*>(e)->position().toPoint());
            return child ? child : top;
        }
    return nullptr;
}

class InputGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* receiver, QEvent* e) override
    {
        if (g_waits.empty() || !IsUserInput(e))
            return false;
        // Input passes a window's platform side first (spontaneous even for a close from
        // code) and is judged where it reaches a widget, clicks already there; short-cuts
        // reach actions instead.
        QWidget* w = receiver->isWidgetType() ? static_cast<QWidget*>(receiver) : ClickedWidget(receiver, e);
        if (!w && e->type() != QEvent::Shortcut)
            return false;
        if (w && Reaches(w, e))
            return false;
        // Refused: a close box leaves its window open, anything else ends here.
        if (e->type() == QEvent::Close)
            e->ignore();
        else
            e->accept();
        return true;
    }

private:
    static bool Reaches(QWidget* w, QEvent* e)
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != g_waits.back() && (modal == w || modal->isAncestorOf(w)))
            return true;  // a box of the waiting operation
        QWidget* window = w->window();
        QAbstractButton* abort = AbortOf(window);
        const auto* key = e->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(e) : nullptr;
        if (e->type() == QEvent::Close || (key && key->key() == Qt::Key_Escape)) {
            if (e->type() == QEvent::Close && w == g_programWindow)
                return true;
            if (abort && !(key && key->isAutoRepeat()))
                abort->click();
            return false;
        }
        if (abort && (abort == w || abort->isAncestorOf(w)))
            return true;
        return IsScrolling(w, e);
    }
};

QPointer<InputGuard> g_guard;

}  // namespace

WaitScope::WaitScope()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (g_waits.empty() && app) {
        if (!g_guard)
            g_guard = new InputGuard(app);
        app->installEventFilter(g_guard);
    }
    g_waits.emplace_back(app ? QApplication::activeModalWidget() : nullptr);
}

WaitScope::~WaitScope()
{
    g_waits.pop_back();
    if (g_waits.empty() && g_guard)
        QCoreApplication::instance()->removeEventFilter(g_guard);
}

bool Waiting()
{
    return !g_waits.empty();
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    const WaitScope scope;
    const QDeadlineTimer deadline = timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                                  : QDeadlineTimer(timeoutMs, Qt::PreciseTimer);
    // Wakes the loop at the deadline when nothing else does; started again if it fired early.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (!done()) {
        if (g_closing || deadline.hasExpired())
            return false;
        if (!deadline.isForever() && !wake.isActive())
            wake.start(int(std::max<qint64>(1, deadline.remainingTime())));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void SetAbortButton(QWidget* window, QAbstractButton* abort)
{
    std::erase_if(g_aborts, [window](const AbortEntry& a) { return !a.window || a.window == window; });
    g_aborts.push_back({window, abort});
}

void SetProgramWindow(QWidget* window)
{
    g_programWindow = window;
    g_closing = false;
}

void BeginClosing()
{
    g_closing = true;
}

bool Closing()
{
    return g_closing;
}

}  // namespace platform
