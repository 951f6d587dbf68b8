#include "platform/gui/tstringgrid.h"

#include <QHeaderView>

uint64_t TStringGrid::s_nextId = 1;

namespace {
constexpr int RowIdRole = Qt::UserRole + 1;
}

TStringGrid::TStringGrid(int colCount, QWidget* parent) : QTableWidget(0, colCount, parent)
{
    // Tab goes on to the next control of the window; the arrows move within the grid.
    setTabKeyNavigation(false);
    for (int c = 0; c < colCount; ++c)
        setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
    verticalHeader()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void TStringGrid::stampRow(int tableRow)
{
    for (int c = 0; c < columnCount(); ++c)
        if (!item(tableRow, c))
            setItem(tableRow, c, new QTableWidgetItem(QString()));
    item(tableRow, 0)->setData(RowIdRole, QVariant::fromValue<qulonglong>(s_nextId++));
}

void TStringGrid::SetRowCount(int n)
{
    const int old = rowCount();
    setRowCount(n > 1 ? n - 1 : 0);
    for (int r = old; r < rowCount(); ++r)
        stampRow(r);
}

QTableWidgetItem* TStringGrid::itemAt(int col, int row, bool create)
{
    if (col < 0 || col >= columnCount() || row < 0 || row > rowCount())
        return nullptr;
    if (row == 0)
        return horizontalHeaderItem(col);
    QTableWidgetItem* it = item(row - 1, col);
    if (!it && create) {
        it = new QTableWidgetItem(QString());
        setItem(row - 1, col, it);
    }
    return it;
}

QString TStringGrid::Cells(int col, int row) const
{
    const QTableWidgetItem* it = const_cast<TStringGrid*>(this)->itemAt(col, row, false);
    return it ? it->text() : QString();
}

void TStringGrid::SetCells(int col, int row, const QString& text)
{
    if (QTableWidgetItem* it = itemAt(col, row, true))
        it->setText(text);
}

QStringList TStringGrid::RowTexts(int row) const
{
    QStringList cells;
    for (int c = 0; c < columnCount(); ++c)
        cells << Cells(c, row);
    return cells;
}

void TStringGrid::SetRowTexts(int row, const QStringList& cells)
{
    for (int c = 0; c < columnCount(); ++c)
        SetCells(c, row, c < cells.size() ? cells[c] : QString());
}

int TStringGrid::Row() const
{
    if (rowCount() == 0)
        return 0;
    const int r = currentRow();
    return r < 0 ? 1 : r + 1;
}

void TStringGrid::SetRow(int row)
{
    if (row >= 1 && row <= rowCount())
        setCurrentCell(row - 1, 0);
}

void TStringGrid::DeleteRow(int row)
{
    if (row >= 1 && row <= rowCount())
        removeRow(row - 1);
}

uint64_t TStringGrid::RowId(int row) const
{
    if (row < 1 || row > rowCount())
        return 0;
    const QTableWidgetItem* it = item(row - 1, 0);
    if (!it)  // a row made past SetRowCount: give it an identity now
        const_cast<TStringGrid*>(this)->stampRow(row - 1), it = item(row - 1, 0);
    QVariant v = it->data(RowIdRole);
    if (!v.isValid()) {
        const_cast<QTableWidgetItem*>(it)->setData(RowIdRole, QVariant::fromValue<qulonglong>(s_nextId++));
        v = it->data(RowIdRole);
    }
    return v.toULongLong();
}

int TStringGrid::FindRowById(uint64_t id) const
{
    if (id == 0)
        return 0;
    for (int r = 1; r <= rowCount(); ++r)
        if (RowId(r) == id)
            return r;
    return 0;
}
