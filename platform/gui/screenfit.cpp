#include "platform/gui/screenfit.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace platform {

namespace {
class ScreenFitter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Show && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow() && !(w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip))
                FitOnScreen(w);
        }
        return false;
    }
};
}  // namespace

namespace {
// The frame is known once the window manager has framed the window; before that, allow for a
// title bar of the style's height.
QMargins FrameOf(const QWidget* window)
{
    QMargins frame(window->geometry().left() - window->frameGeometry().left(),
                   window->geometry().top() - window->frameGeometry().top(),
                   window->frameGeometry().right() - window->geometry().right(),
                   window->frameGeometry().bottom() - window->geometry().bottom());
    if (frame.isNull())
        frame.setTop(window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window));
    return frame;
}
}  // namespace

QSize ScreenRoom(const QWidget* window)
{
    const QScreen* screen = window->screen();
    if (!screen)
        return {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
    const QRect free = screen->availableGeometry();
    const QMargins frame = FrameOf(window);
    return {free.width() - frame.left() - frame.right(), free.height() - frame.top() - frame.bottom()};
}

QSize OwnSize(QSize now, QSize wanted, QSize room)
{
    // Filling the room, the window may have been cut to it: the size wanted stays.
    return {now.width() >= room.width() ? std::max(now.width(), wanted.width()) : now.width(),
            now.height() >= room.height() ? std::max(now.height(), wanted.height()) : now.height()};
}

void FitOnScreen(QWidget* window)
{
    QScreen* screen = window->screen();
    if (!screen || window->isMaximized() || window->isFullScreen())
        return;
    const QRect free = screen->availableGeometry();
    const QMargins frame = FrameOf(window);
    const int maxWidth = ScreenRoom(window).width();
    const int maxHeight = ScreenRoom(window).height();
    if (window->minimumWidth() > maxWidth || window->minimumHeight() > maxHeight)
        window->setMinimumSize(std::min(window->minimumWidth(), maxWidth), std::min(window->minimumHeight(), maxHeight));
    if (window->width() > maxWidth || window->height() > maxHeight)
        window->resize(std::min(window->width(), maxWidth), std::min(window->height(), maxHeight));
    const int outerWidth = window->width() + frame.left() + frame.right();
    const int outerHeight = window->height() + frame.top() + frame.bottom();
    const QPoint at(std::clamp(window->frameGeometry().left(), free.left(), free.right() + 1 - outerWidth),
                    std::clamp(window->frameGeometry().top(), free.top(), free.bottom() + 1 - outerHeight));
    if (at != window->frameGeometry().topLeft())
        window->move(at);  // a window's position is that of its frame
}

void KeepWindowsOnScreen()
{
    static ScreenFitter* fitter = nullptr;
    if (fitter || !qApp)
        return;
    fitter = new ScreenFitter(qApp);
    qApp->installEventFilter(fitter);
}

}  // namespace platform
