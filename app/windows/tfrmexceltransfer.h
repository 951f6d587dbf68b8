#pragma once
#include <QDialog>
#include <memory>

#include "data/tdatetime.h"

class QDateTimeEdit;
class QFileDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

// CSV export of a range of days of the current station: lists the local hour files of the
// range and writes each day with data as three CSV files. Days are loaded from the local data
// tree into the window's own day buffer, so the main window's day is left as it was.
class TfrmExcelTransfer : public QDialog {
    Q_OBJECT
public:
    explicit TfrmExcelTransfer(QWidget* owner = nullptr);
    ~TfrmExcelTransfer() override;

    // The day preset by the main window before the window is shown.
    TDateTime ExportDate = 0.0;

    void FormShow();
    void FillFileList();
    // Asks for the file prefix, then exports.
    void bbtConvertClick();
    void bbtQuitClick();
    void dtpCloseUp();
    void lbxFilesClick();
    void btnChangeClick();
    // The export to a chosen prefix, day by day over the pickers' range. A file that cannot be
    // written is reported, and the export goes on with the next day; true when every day with
    // data was written.
    bool Convert(const QString& prefix);

    // The pickers' values (date and time).
    TDateTime StartDateTime() const;
    TDateTime EndDateTime() const;
    void SetRange(TDateTime start, TDateTime end);

    QListWidget* lbxFiles = nullptr;
    QProgressBar* pgbCopy = nullptr;
    QPushButton* bbtQuit = nullptr;
    QPushButton* bbtConvert = nullptr;
    QLabel* lblLoading = nullptr;
    QLabel* lblDate = nullptr;
    QFrame* Bevel1 = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* lblStatName = nullptr;
    QLineEdit* edStatName = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* lblDateRange = nullptr;
    QLabel* lblFrom = nullptr;
    QDateTimeEdit* dtpStart = nullptr;
    QLabel* lblTo = nullptr;
    QDateTimeEdit* dtpEnd = nullptr;
    QFrame* Bevel2 = nullptr;
    // The prefix dialog, made by PrefixDialog() when first needed.
    QFileDialog* SaveDialog = nullptr;
    QFileDialog* PrefixDialog();
    void SetPrefixDialogTitle(const QString& title);

    // Every way of closing gives 2.
    void done(int r) override;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct DayBuffers;
    std::unique_ptr<DayBuffers> m_day;
    QString m_prefixDialogTitle;
};

extern TfrmExcelTransfer* frmExcelTransfer;
// Gives the window its texts in a language (0 German, 1 English); nothing while it does not exist.
void ApplyTextsExcelTransfer(int lang);
