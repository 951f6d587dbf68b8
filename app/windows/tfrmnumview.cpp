#include "app/windows/tfrmnumview.h"

#include <QCheckBox>
#include <QFrame>
#include <QHeaderView>
#include <QTableWidget>

#include "app/mainformhvtk.h"

TfrmNumView* frmNumView = nullptr;

TfrmNumView::TfrmNumView(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("TfrmNumView"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint);
    resize(221, 317);
    Panel = new QFrame(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setGeometry(1, 1, 218, 313);
    Panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    ListView = new QTableWidget(0, 2, Panel);
    ListView->setObjectName(QStringLiteral("ListView"));
    ListView->setGeometry(7, 5, 205, 298);
    ListView->setShowGrid(true);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->verticalHeader()->hide();
    ListView->verticalHeader()->setDefaultSectionSize(17);
    ListView->setColumnWidth(0, 120);
    ListView->setColumnWidth(1, 80);
    // Set once the table exists, which would otherwise measure the font at once.
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(13);
    font.setBold(true);
    setFont(font);
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
    if (MainFormHvtk && MainFormHvtk->cbxNumView)
        MainFormHvtk->cbxNumView->setChecked(false);
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

bool TfrmNumView::RowHasLevel(int row) const
{
    return ListView->item(row, 1) != nullptr;
}
