#pragma once
#include <QStringList>
#include <QTableWidget>
#include <cstdint>

// A grid of text cells addressed as (column, row) with row 0 as the fixed header row, so that
// code reads like the station list it holds: row 1 is the first data row. Every data row
// carries an identity that stays with it when other rows are inserted or removed.
class TStringGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit TStringGrid(int colCount, QWidget* parent = nullptr);

    // Rows including the header row (1 = header only).
    int RowCount() const { return rowCount() + 1; }
    // Grows with empty rows or cuts rows at the end; at least the header row stays.
    void SetRowCount(int n);

    // Row 0 is the header; cells outside the grid read as "" and ignore writes.
    QString Cells(int col, int row) const;
    void SetCells(int col, int row, const QString& text);
    QStringList RowTexts(int row) const;
    void SetRowTexts(int row, const QStringList& cells);

    // Selected data row (1-based); 0 when the grid has no data row.
    int Row() const;
    void SetRow(int row);

    // Width that shows every cell of a column (header excluded) in full.
    int ContentWidth(int col) const { return sizeHintForColumn(col); }

    // Removes one data row; the rows below move up.
    void DeleteRow(int row);
    // Identity of a data row (0 for none); FindRowById gives the row's current index or 0.
    uint64_t RowId(int row) const;
    int FindRowById(uint64_t id) const;

private:
    QTableWidgetItem* itemAt(int col, int row, bool create);
    void stampRow(int tableRow);
    static uint64_t s_nextId;
};
