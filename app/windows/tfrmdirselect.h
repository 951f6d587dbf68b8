#pragma once
#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// Chooser of a folder: the data folder, the import source, the export folder and the folder
// of files to upload. The caller presets Path, shows the window modally and reads Path after
// OK (1); Quit and the close box give 2. Browsing never changes the process's current
// directory: the folder selected in the tree is a field of the window.
class TfrmDirSelect : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDirSelect(QWidget* owner = nullptr);

    // Preset by the caller; the chosen folder after OK.
    QString Path;

    void FormShow();
    void DriveComboBoxChange();
    void DirOutlineChange();
    void bbtCreateClick();
    void bbtOkClick();
    void bbtQuitClick();
    void FormClose();

    // The folder selected in the tree (absolute, cleaned).
    QString SelectedFolder() const { return m_selected; }
    // Selects folder in the tree, switching the place when needed; false when it is no folder.
    bool SelectFolder(const QString& folder);
    // The places offered: the file system root, the home folder and mounted volumes.
    static QStringList Places();

    QComboBox* DriveComboBox = nullptr;
    QTreeWidget* DirOutline = nullptr;
    QListWidget* FileListBox = nullptr;
    QLabel* lblDirName = nullptr;
    QPushButton* bbtCreate = nullptr;
    QPushButton* bbtQuit = nullptr;
    QPushButton* bbtOk = nullptr;

    void done(int r) override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void RebuildOutline(const QString& root);
    void FillChildren(QTreeWidgetItem* item);
    QTreeWidgetItem* ChildNamed(QTreeWidgetItem* item, const QString& name, bool create);
    void SelectDriveOf(const QString& folder);
    QString DriveRoot() const;

    QString m_remembered;  // the process's current directory when last shown
    QString m_selected;
    bool m_ok = false;
};

extern TfrmDirSelect* frmDirSelect;
// Gives the window its texts in a language (0 German, 1 English); nothing while it does not exist.
void ApplyTextsDirSelect(int lang);
