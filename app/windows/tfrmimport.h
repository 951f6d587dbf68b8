#pragma once
#include <QDialog>

class QFrame;
class QLabel;
class QListWidget;
class QPushButton;

// Import of older hour files into the data tree. Each showing asks for a source folder
// (a cancelled choice closes the window at once), lists every hour file below it, and on
// request copies each to the place its own FILE chunk names, below the data folder.
class TfrmImport : public QDialog {
    Q_OBJECT
public:
    explicit TfrmImport(QWidget* owner = nullptr);

    void FormShow();
    void FormPaint();
    // Lists the hour files below folder into lbxFiles (folder is the root in lblRootDir).
    void ScanDbbFiles(const QString& folder);
    // Takes root as the source folder: lists it and shows the counts.
    void ShowSource(const QString& root);
    void bbtImportClick();
    void bbtDestDirClick();
    void bbtExitClick();

    QFrame* pnlFileList = nullptr;
    QListWidget* lbxFiles = nullptr;
    QFrame* pnlDir = nullptr;
    QLabel* lblRootDir = nullptr;
    QPushButton* bbtImport = nullptr;
    QLabel* lblStat1 = nullptr;
    QLabel* lblStat2 = nullptr;
    QPushButton* bbtDestDir = nullptr;
    QPushButton* bbtExit = nullptr;

    void done(int r) override;

protected:
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void ShowTarget();

    uint8_t CloseOnPaint = 0;
    int m_copied = 0;
};

extern TfrmImport* frmImport;
// Gives the window its texts in a language (0 German, 1 English); nothing while it does not exist.
void ApplyTextsImport(int lang);
