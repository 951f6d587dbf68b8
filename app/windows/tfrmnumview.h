#pragma once
#include <QDialog>
#include <QFont>
#include <functional>
#include <vector>

#include "app/graph/readout.h"

class QFrame;
class QTableWidget;

// Numeric view of the levels under the pointer: sixteen rows of time and level from
// the pointer's column on, beside the graph and above the other windows.
class TfrmNumView : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNumView(QWidget* owner = nullptr);
    ~TfrmNumView() override;

    QFrame* Panel = nullptr;
    QTableWidget* ListView = nullptr;
    // The column the rows shown start from; -1 when nothing is cached.
    int ListViewTag = -1;

    static constexpr int RowsShown = 16;

    void FormShow();
    void FormClose();
    // Sizes the list for its sixteen rows and the widest time and level in its font, and the
    // window for its title.
    void FitToRows();
    // The font a window manager is taken to draw the title in: the application's, bold, larger.
    static QFont TitleBarFont();
    // Replaces all rows at once (the list repaints once).
    void SetRows(const std::vector<graph::TNumRow>& rows);
    // The rows from column p on, made by rows() only when they are not the ones shown.
    void ShowRowsFrom(int p, const std::function<std::vector<graph::TNumRow>()>& rows);
    // Hides the view and forgets which column its rows start from.
    void HideRows();
    int RowCount() const;
    QString RowTime(int row) const;
    // The row's level text; empty for a row without one.
    QString RowLevel(int row) const;

protected:
    void showEvent(QShowEvent* e) override;

public Q_SLOTS:
    // The close button and Esc: the main window's box is unchecked, which hides the view.
    void reject() override;
};

extern TfrmNumView* frmNumView;
// Gives the window its texts in a language (0 German, 1 English); nothing while it does not exist.
void ApplyTextsNumView(int lang);
