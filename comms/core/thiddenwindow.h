#pragma once
#include <QEvent>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

// A hidden window of the library: a small QObject with a process-wide handle that messages
// are addressed to (the library's message numbers are kept as the event identities).
//
// Thread rules: a window is created, used and destroyed on the GUI thread. PostMessage may be
// called from any thread: the message becomes a posted event and is dropped when the window
// is destroyed first. SendMessage on the GUI thread calls the window at once; from a worker it
// goes through TApdSyncQueue and waits (SendMessageTimeout with a limit, after which a message
// not yet delivered is dropped).
using HWND = uint32_t;

class THiddenWindow : public QObject {
    Q_OBJECT
public:
    using TWndProc = std::function<int32_t(uint32_t Msg, uint32_t wParam, int32_t lParam)>;

    explicit THiddenWindow(const QString& ClassName, QObject* Parent = nullptr);
    ~THiddenWindow() override;

    HWND Handle() const { return handle_; }
    QString ClassName() const { return className_; }
    // The window procedure; without one, messages are answered with 0.
    void SetWndProc(TWndProc Proc) { proc_ = std::move(Proc); }

    // Delivers one message now (on the GUI thread).
    virtual int32_t WndProc(uint32_t Msg, uint32_t wParam, int32_t lParam);

    // The live window of a handle, or nullptr. GUI thread only.
    static THiddenWindow* FromHandle(HWND Wnd);
    static int EventType();

protected:
    bool event(QEvent* e) override;

private:
    HWND handle_;
    QString className_;
    TWndProc proc_;
};

// Posts a message; false when no window has that handle.
bool PostMessage(HWND Wnd, uint32_t Msg, uint32_t wParam, int32_t lParam);
// Delivers a message and waits for its answer (0 when no window has that handle).
int32_t SendMessage(HWND Wnd, uint32_t Msg, uint32_t wParam, int32_t lParam);
// As SendMessage, waiting at most TimeoutMs from a worker thread; false on time-out, on a
// cancelled Token or when no window has that handle.
bool SendMessageTimeout(HWND Wnd, uint32_t Msg, uint32_t wParam, int32_t lParam, int TimeoutMs,
                        int32_t* Result = nullptr, const void* Token = nullptr);
