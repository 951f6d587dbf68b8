#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;

namespace platform {

// Paints a window at most once per interval. A transfer changes its window on every reply;
// painting each change would cost more than the transfer itself. A held-back paint is made
// when the interval has passed, so the window never shows a stale state for longer.
class PaintThrottle : public QObject {
public:
    PaintThrottle(QWidget* window, int intervalMs);
    ~PaintThrottle() override;
    int interval() const { return m_intervalMs; }
    void setInterval(int ms) { m_intervalMs = ms; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void paintHeldBack();

    QPointer<QWidget> m_window;
    int m_intervalMs;
    QElapsedTimer m_sinceLastPaint;
    QTimer m_later;
    bool m_held = false;
    bool m_letThrough = false;
};

}  // namespace platform
