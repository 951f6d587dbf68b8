#include "comms/core/thiddenwindow.h"

#include "comms/core/oomisc.h"
#include "comms/core/tapdsyncqueue.h"

#include <QCoreApplication>
#include <mutex>
#include <unordered_map>

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<HWND, THiddenWindow*> windows;
    HWND next = 1;
};

Registry& registry()
{
    static Registry r;
    return r;
}

class TWindowMessageEvent : public QEvent {
public:
    TWindowMessageEvent(uint32_t msg, uint32_t w, int32_t l)
        : QEvent(QEvent::Type(THiddenWindow::EventType())), Msg(msg), wParam(w), lParam(l)
    {
    }
    uint32_t Msg;
    uint32_t wParam;
    int32_t lParam;
};

}  // namespace

int THiddenWindow::EventType()
{
    static const int type = QEvent::registerEventType();
    return type;
}

THiddenWindow::THiddenWindow(const QString& ClassName, QObject* Parent) : QObject(Parent), className_(ClassName)
{
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    // Handles are not reused soon, so a message for a closed window cannot reach a new one.
    do {
        handle_ = r.next++;
        if (r.next == 0)
            r.next = 1;
    } while (r.windows.count(handle_));
    r.windows[handle_] = this;
}

THiddenWindow::~THiddenWindow()
{
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.windows.erase(handle_);
}

int32_t THiddenWindow::WndProc(uint32_t Msg, uint32_t wParam, int32_t lParam)
{
    return proc_ ? proc_(Msg, wParam, lParam) : 0;
}

THiddenWindow* THiddenWindow::FromHandle(HWND Wnd)
{
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.windows.find(Wnd);
    return it == r.windows.end() ? nullptr : it->second;
}

bool THiddenWindow::event(QEvent* e)
{
    if (e->type() == EventType()) {
        auto* m = static_cast<TWindowMessageEvent*>(e);
        NoteWindowMessage(m->Msg, handle_);
        WndProc(m->Msg, m->wParam, m->lParam);
        return true;
    }
    return QObject::event(e);
}

bool PostMessage(HWND Wnd, uint32_t Msg, uint32_t wParam, int32_t lParam)
{
    Registry& r = registry();
    // Posting under the registry lock: the window cannot be destroyed in between, and the
    // event dies with it if it goes before delivery.
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.windows.find(Wnd);
    if (it == r.windows.end())
        return false;
    QCoreApplication::postEvent(it->second, new TWindowMessageEvent(Msg, wParam, lParam));
    return true;
}

bool SendMessageTimeout(HWND Wnd, uint32_t Msg, uint32_t wParam, int32_t lParam, int TimeoutMs,
                        int32_t* Result, const void* Token)
{
    bool delivered = false;
    int32_t answer = 0;
    const auto deliver = [&] {
        if (THiddenWindow* w = THiddenWindow::FromHandle(Wnd)) {
            answer = w->WndProc(Msg, wParam, lParam);
            delivered = true;
        }
    };
    if (TApdSyncQueue::Call(deliver, TimeoutMs, Token) != TApdSyncQueue::Done)
        return false;
    if (Result)
        *Result = answer;
    return delivered;
}

int32_t SendMessage(HWND Wnd, uint32_t Msg, uint32_t wParam, int32_t lParam)
{
    int32_t result = 0;
    SendMessageTimeout(Wnd, Msg, wParam, lParam, -1, &result);
    return result;
}
