#include "app/windows/tfrmdirselect.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QStorageInfo>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "data/localpath.h"
#include "app/texts/sprachen.h"
#include "app/windows/tfrmstatname.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/exceptionguard.h"

TfrmDirSelect* frmDirSelect = nullptr;

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int FilledRole = Qt::UserRole + 1;

QString Clean(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// root is folder itself or one of its ancestors.
bool IsUnder(const QString& root, const QString& folder)
{
    if (root == QLatin1String("/"))
        return folder.startsWith(u'/');
    return folder == root || folder.startsWith(root + u'/');
}

// folder, or the nearest folder above it that exists; "/" at last.
QString NearestFolder(QString folder)
{
    for (int i = 0; i < 4096 && !folder.isEmpty(); ++i) {
        if (QFileInfo(folder).isDir())
            return folder;
        const QString up = QFileInfo(folder).path();
        if (up == folder)
            break;
        folder = up;
    }
    return QStringLiteral("/");
}

QStringList SubFolders(const QString& folder)
{
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

}  // namespace

TfrmDirSelect::TfrmDirSelect(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmDirSelect"));
    m_remembered = QDir::currentPath();

    DriveComboBox = new QComboBox(this);
    DriveComboBox->setObjectName(QStringLiteral("DriveComboBox"));
    DirOutline = new QTreeWidget(this);
    DirOutline->setObjectName(QStringLiteral("DirOutline"));
    DirOutline->setHeaderHidden(true);
    DirOutline->setMinimumSize(360, 300);
    FileListBox = new QListWidget(this);
    FileListBox->setObjectName(QStringLiteral("FileListBox"));
    FileListBox->hide();
    lblDirName = new QLabel(this);
    lblDirName->setObjectName(QStringLiteral("lblDirName"));
    lblDirName->setTextFormat(Qt::PlainText);
    bbtCreate = new QPushButton(this);
    bbtCreate->setObjectName(QStringLiteral("bbtCreate"));
    bbtQuit = new QPushButton(this);
    bbtQuit->setObjectName(QStringLiteral("bbtQuit"));
    bbtOk = new QPushButton(this);
    bbtOk->setObjectName(QStringLiteral("bbtOk"));
    bbtOk->setDefault(true);

    using platform::Guard;
    connect(DriveComboBox, &QComboBox::activated, this, Guard([this] { DriveComboBoxChange(); }));
    connect(DirOutline, &QTreeWidget::currentItemChanged, this, Guard([this] { DirOutlineChange(); }));
    connect(DirOutline, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        platform::Guarded([&] { FillChildren(item); });
    });
    connect(bbtCreate, &QPushButton::clicked, this, Guard([this] { bbtCreateClick(); }));
    connect(bbtOk, &QPushButton::clicked, this, Guard([this] {
                if (m_selected.isEmpty())
                    return;  // no folder chosen: Path keeps what it holds
                bbtOkClick();
                m_ok = true;
                done(1);
            }));
    connect(bbtQuit, &QPushButton::clicked, this, Guard([this] {
        bbtQuitClick();
        done(2);
    }));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bbtCreate);
    buttons->addStretch(1);
    buttons->addWidget(bbtOk);
    buttons->addWidget(bbtQuit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DriveComboBox);
    layout->addWidget(DirOutline, 1);
    layout->addWidget(FileListBox);
    layout->addWidget(lblDirName);
    layout->addLayout(buttons);
}

QStringList TfrmDirSelect::Places()
{
    QStringList places{QStringLiteral("/")};
    const QString home = Clean(QDir::homePath());
    if (home != places.first())
        places.append(home);
    // Volumes a user mounts (memory cards, archive discs); system mounts are left out.
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        const QString root = v.rootPath();
        const bool userMount = root.startsWith(QLatin1String("/media/")) || root.startsWith(QLatin1String("/mnt/"))
                               || root.startsWith(QLatin1String("/run/media/"));
        if (v.isValid() && v.isReady() && userMount && !places.contains(root))
            places.append(root);
    }
    return places;
}

void TfrmDirSelect::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        platform::Guarded([this] { FormShow(); });
}

void TfrmDirSelect::FormShow()
{
    m_ok = false;
    // A removed working directory has no path any more: the one remembered before stays.
    if (const QString now = QDir::currentPath(); !now.isEmpty())
        m_remembered = now;
    DriveComboBox->clear();
    for (const QString& place : Places())
        DriveComboBox->addItem(place, place);
    DirOutline->clear();
    m_selected.clear();
    const QString preset = Path.isEmpty() ? QString() : Clean(Path);
    const QString start = !preset.isEmpty() && QFileInfo(preset).isDir() ? preset : Clean(m_remembered);
    // A working directory removed meanwhile: the nearest folder above it, never the last
    // showing's choice or none.
    if (!SelectFolder(start))
        SelectFolder(NearestFolder(start));
}

QString TfrmDirSelect::DriveRoot() const
{
    return DriveComboBox->currentData().toString();
}

void TfrmDirSelect::SelectDriveOf(const QString& folder)
{
    // The place shown when it holds the folder, else the place that holds it most closely.
    if (DirOutline->topLevelItemCount() > 0 && DriveComboBox->currentIndex() >= 0 && IsUnder(DriveRoot(), folder))
        return;
    int best = -1;
    for (int i = 0; i < DriveComboBox->count(); ++i) {
        const QString root = DriveComboBox->itemData(i).toString();
        if (IsUnder(root, folder)
            && (best < 0 || root.size() > DriveComboBox->itemData(best).toString().size()))
            best = i;
    }
    if (best < 0) {
        DriveComboBox->addItem(QStringLiteral("/"), QStringLiteral("/"));
        best = DriveComboBox->count() - 1;
    }
    DriveComboBox->setCurrentIndex(best);
    RebuildOutline(DriveRoot());
}

void TfrmDirSelect::DriveComboBoxChange()
{
    RebuildOutline(DriveRoot());
    DirOutline->setCurrentItem(DirOutline->topLevelItem(0));
}

void TfrmDirSelect::RebuildOutline(const QString& root)
{
    const QSignalBlocker block(DirOutline);
    DirOutline->clear();
    auto* top = new QTreeWidgetItem(DirOutline, QStringList{root});
    top->setData(0, PathRole, root);
    top->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    m_selected.clear();
}

void TfrmDirSelect::FillChildren(QTreeWidgetItem* item)
{
    if (item->data(0, FilledRole).toBool())
        return;
    item->setData(0, FilledRole, true);
    const QString folder = item->data(0, PathRole).toString();
    for (const QString& name : SubFolders(folder))
        ChildNamed(item, name, true);
    item->setChildIndicatorPolicy(item->childCount() ? QTreeWidgetItem::ShowIndicator
                                                     : QTreeWidgetItem::DontShowIndicator);
}

QTreeWidgetItem* TfrmDirSelect::ChildNamed(QTreeWidgetItem* item, const QString& name, bool create)
{
    for (int i = 0; i < item->childCount(); ++i)
        if (item->child(i)->text(0) == name)
            return item->child(i);
    if (!create)
        return nullptr;
    auto* child = new QTreeWidgetItem(item, QStringList{name});
    child->setData(0, PathRole, JoinLocalPath({item->data(0, PathRole).toString(), name}));
    child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return child;
}

bool TfrmDirSelect::SelectFolder(const QString& folder)
{
    const QString target = Clean(folder);
    if (!QFileInfo(target).isDir())
        return false;
    SelectDriveOf(target);
    const QString root = DriveRoot();
    QTreeWidgetItem* item = DirOutline->topLevelItem(0);
    const QString rest = target.mid(root.size());
    for (const QString& name : rest.split(u'/', Qt::SkipEmptyParts)) {
        FillChildren(item);
        item->setExpanded(true);
        // A hidden folder on the way is added although the listing leaves it out.
        item = ChildNamed(item, name, true);
    }
    DirOutline->setCurrentItem(item);
    DirOutline->scrollToItem(item);
    DirOutlineChange();
    return true;
}

void TfrmDirSelect::DirOutlineChange()
{
    QTreeWidgetItem* item = DirOutline->currentItem();
    if (!item)
        return;
    m_selected = item->data(0, PathRole).toString();
    lblDirName->setText(m_selected);
    FileListBox->clear();
    FileListBox->addItems(
        QDir(m_selected).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::DirsFirst | QDir::IgnoreCase));
}

void TfrmDirSelect::bbtCreateClick()
{
    TfrmStatName* names = frmStatName;
    if (!names)
        return;
    names->Prepare(QString(), x(), y());
    if (names->exec() != 1)
        return;
    const QString name = names->edName->text();
    const QString cur = m_selected;
    // One level below the selected folder; a name that is no single folder name is refused.
    if (cur.isEmpty() || !IsSafeFileName(name) || !QDir(cur).mkdir(name)) {
        platform::MessageDlg(MsgDirectoryExists + name, platform::MsgDlgType::Error, platform::mbOK);
        return;
    }
    const QString created = JoinLocalPath({cur, name});
    RebuildOutline(DriveRoot());
    SelectFolder(created);
}

void TfrmDirSelect::bbtOkClick()
{
    Path = m_selected;
}

void TfrmDirSelect::bbtQuitClick()
{
    // Browsing left the process's current directory alone: nothing to restore.
}

void TfrmDirSelect::FormClose()
{
    bbtCreate->setVisible(true);
}

void TfrmDirSelect::done(int r)
{
    const int result = m_ok && r == 1 ? 1 : 2;
    m_ok = false;
    FormClose();
    QDialog::done(result);
}
