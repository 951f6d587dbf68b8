#include "app/windows/tfrmnumview.h"

#include <QApplication>
#include <QFrame>
#include <QHeaderView>
#include <QStyle>
#include <QTableWidget>
#include <algorithm>

#include "app/windows/mainwindowstate.h"

TfrmNumView* frmNumView = nullptr;

TfrmNumView::TfrmNumView(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("TfrmNumView"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint);
    Panel = new QFrame(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    ListView = new QTableWidget(0, 2, Panel);
    ListView->setObjectName(QStringLiteral("ListView"));
    // The sixteen rows always fit (FitToRows): no scroll bars.
    ListView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListView->setShowGrid(true);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->verticalHeader()->hide();
    // Set once the table exists, which would otherwise measure the font at once.
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(13);
    font.setBold(true);
    setFont(font);
    FitToRows();
}

void TfrmNumView::FitToRows()
{
    const QFontMetrics rows(ListView->font());
    const int rowHeight = std::max(17, rows.height() + 4);
    ListView->verticalHeader()->setMinimumSectionSize(1);
    ListView->verticalHeader()->setDefaultSectionSize(rowHeight);
    const int pad = 2 * ListView->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, ListView) + 12;
    const QHeaderView* header = ListView->horizontalHeader();
    const int timeWidth = std::max({120, rows.horizontalAdvance(QStringLiteral("00:00:00,0")) + pad, header->sectionSizeHint(0)});
    const int levelWidth = std::max({80, rows.horizontalAdvance(QStringLiteral("000,0 << >>")) + pad, header->sectionSizeHint(1)});
    const int frame = 2 * ListView->frameWidth();
    int listWidth = timeWidth + levelWidth + frame;
    const int listHeight = header->sizeHint().height() + RowsShown * rowHeight + frame;
    // The title bar holds the caption and the close button; window managers draw the caption
    // larger and bold, and elide it where it does not fit.
    const QFontMetrics title(TitleBarFont());
    const int titleWidth = title.horizontalAdvance(windowTitle()) + 4 * title.height();
    listWidth = std::max(listWidth, titleWidth - 16);
    ListView->setColumnWidth(0, timeWidth);
    ListView->setColumnWidth(1, listWidth - frame - timeWidth);
    ListView->setGeometry(7, 5, listWidth, listHeight);
    Panel->setGeometry(1, 1, listWidth + 14, listHeight + 15);
    setFixedSize(listWidth + 16, listHeight + 19);
}

QFont TfrmNumView::TitleBarFont()
{
    QFont f = QApplication::font();
    f.setBold(true);
    if (f.pointSizeF() > 0)
        f.setPointSizeF(f.pointSizeF() * 1.25);
    else
        f.setPixelSize(f.pixelSize() * 5 / 4);
    return f;
}

TfrmNumView::~TfrmNumView() = default;

void TfrmNumView::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    FormShow();
}

void TfrmNumView::FormShow()
{
    ListView->setRowCount(0);
    // Rows filled before the window was hidden may belong to another day or view.
    ListViewTag = -1;
}

void TfrmNumView::FormClose()
{
    MainWindowState().NumViewClosed();
}

void TfrmNumView::reject()
{
    FormClose();
    QDialog::reject();
}

void TfrmNumView::SetRows(const std::vector<graph::TNumRow>& rows)
{
    ListView->setUpdatesEnabled(false);
    ListView->setRowCount(0);
    ListView->setRowCount(int(rows.size()));
    for (int i = 0; i < int(rows.size()); ++i) {
        ListView->setItem(i, 0, new QTableWidgetItem(rows[i].Time));
        if (rows[i].Level)
            ListView->setItem(i, 1, new QTableWidgetItem(*rows[i].Level));
    }
    ListView->setUpdatesEnabled(true);
}

void TfrmNumView::ShowRowsFrom(int p, const std::function<std::vector<graph::TNumRow>()>& rows)
{
    if (ListViewTag == p)
        return;
    ListViewTag = p;
    SetRows(rows());
}

void TfrmNumView::HideRows()
{
    ListViewTag = -1;
    hide();
}

int TfrmNumView::RowCount() const
{
    return ListView->rowCount();
}

QString TfrmNumView::RowTime(int row) const
{
    const QTableWidgetItem* item = ListView->item(row, 0);
    return item ? item->text() : QString();
}

QString TfrmNumView::RowLevel(int row) const
{
    const QTableWidgetItem* item = ListView->item(row, 1);
    return item ? item->text() : QString();
}
