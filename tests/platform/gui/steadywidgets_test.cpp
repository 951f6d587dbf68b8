#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QComboBox>
#include <QListWidget>
#include <QPainter>
#include <QVBoxLayout>
#include <QWidget>

#include "common/pump.h"
#include "platform/gui/paintthrottle.h"
#include "platform/gui/steadywidgets.h"

namespace {

class CountingWidget : public QWidget {
public:
    int paints = 0;
    int shown = -1;  // the value the last paint showed
    int value = 0;

protected:
    void paintEvent(QPaintEvent*) override
    {
        ++paints;
        shown = value;
        QPainter(this).fillRect(rect(), Qt::white);
    }
};

}  // namespace

// A burst of changes is painted a few times, never left unpainted: the last state always shows.
TEST(PaintThrottle, HoldsBackPaintsButNeverTheLastOne)
{
    QWidget window;
    auto* inner = new CountingWidget;
    (new QVBoxLayout(&window))->addWidget(inner);
    new platform::PaintThrottle(&window, 40);
    window.resize(200, 100);
    window.show();
    ASSERT_TRUE(pumpUntil([&] { return inner->paints > 0; }));

    for (const bool synchronous : {false, true}) {
        SCOPED_TRACE(synchronous ? "repaint" : "update");
        const int before = inner->paints;
        QElapsedTimer clock;
        clock.start();
        for (int i = 1; i <= 300; ++i) {
            inner->value = i + (synchronous ? 1000 : 0);
            synchronous ? inner->repaint() : inner->update();
            QCoreApplication::processEvents();
        }
        const qint64 burstMs = clock.elapsed();
        EXPECT_TRUE(pumpUntil([&] { return inner->shown == inner->value; }, 2000));
        EXPECT_LE(inner->paints - before, burstMs / 40 + 3);
    }
}

TEST(SteadyWidgets, LabelTextDoesNotSizeTheLabelAndRowsAreMeasuredOnlyWhenLonger)
{
    platform::SteadyLabel label;
    label.setText(QStringLiteral("short"));
    const QSize hint = label.sizeHint();
    label.setText(QString(300, u'W'));
    EXPECT_EQ(label.sizeHint(), hint);
    EXPECT_EQ(label.minimumSizeHint(), hint);
    EXPECT_GT(hint.height(), 0);

    QListWidget list;
    auto* delegate = new platform::UniformRowDelegate(&list);
    list.setItemDelegate(delegate);
    list.addItem(QStringLiteral("DBB\\2007\\11\\4746CED0.dbb"));
    QStyleOptionViewItem option;
    option.initFrom(&list);
    const QModelIndex first = list.model()->index(0, 0);
    const QSize rowSize = delegate->sizeHint(option, first);
    list.item(0)->setText(QStringLiteral("DBB\\2007\\11\\4746CED1.dbb"));
    EXPECT_EQ(delegate->sizeHint(option, first), rowSize);
    // An entry that gained its result is wider: the row grows with it.
    list.item(0)->setText(list.item(0)->text() + QStringLiteral(" - kopiert"));
    EXPECT_GT(delegate->sizeHint(option, first).width(), rowSize.width());
    EXPECT_EQ(delegate->sizeHint(option, first).height(), rowSize.height());
}

// The drop-down list is not built for a box that is never shown; a shown box sizes to its
// entries.
TEST(SteadyWidgets, ComboBoxFollowsItsEntriesFromItsFirstPolish)
{
    QWidget window;
    auto* box = new QComboBox(&window);
    platform::AdjustToContentsWhenPolished(box);
    box->addItems({QStringLiteral("a"), QString(60, u'W')});
    EXPECT_NE(box->sizeAdjustPolicy(), QComboBox::AdjustToContents);
    EXPECT_TRUE(box->findChildren<QAbstractItemView*>().isEmpty());
    window.show();
    EXPECT_EQ(box->sizeAdjustPolicy(), QComboBox::AdjustToContents);
    EXPECT_GT(box->sizeHint().width(), box->fontMetrics().horizontalAdvance(QString(50, u'W')));
}
