#include "app/graph/graphcursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// Black strokes with a white halo, so the shape reads on bands, grid and curves.
template <class Draw>
QCursor Painted(int hotX, int hotY, Draw draw)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath path;
    draw(path);
    p.strokePath(path, QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.strokePath(path, QPen(Qt::black, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.end();
    return QCursor(pixmap, hotX, hotY);
}

}  // namespace

QCursor MagCursor()
{
    static const QCursor cursor = Painted(12, 12, [](QPainterPath& path) {
        path.addEllipse(QPointF(12, 12), 8, 8);
        path.moveTo(18, 18);
        path.lineTo(28, 28);
        path.moveTo(8, 12);
        path.lineTo(16, 12);
        path.moveTo(12, 8);
        path.lineTo(12, 16);
    });
    return cursor;
}

QCursor TracCursor()
{
    static const QCursor cursor = Painted(15, 15, [](QPainterPath& path) {
        path.moveTo(15, 1);
        path.lineTo(15, 11);
        path.moveTo(15, 19);
        path.lineTo(15, 29);
        path.moveTo(1, 15);
        path.lineTo(11, 15);
        path.moveTo(19, 15);
        path.lineTo(29, 15);
        path.addEllipse(QPointF(15, 15), 2, 2);
    });
    return cursor;
}

QCursor RangeCursor()
{
    static const QCursor cursor = Painted(4, 15, [](QPainterPath& path) {
        path.moveTo(4, 3);
        path.lineTo(4, 27);
        path.moveTo(4, 15);
        path.lineTo(28, 15);
        path.moveTo(22, 10);
        path.lineTo(28, 15);
        path.lineTo(22, 20);
    });
    return cursor;
}
