#include "app/windows/tfrmimport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "data/dbbimport.h"
#include "data/dbbnames.h"
#include "data/localpath.h"
#include "data/stationsettings.h"
#include "app/texts/sprachen.h"
#include "app/windows/tfrmdirselect.h"
#include "app/windows/tfrmstation.h"
#include "platform/gui/exceptionguard.h"
#include "platform/core/named.h"
#include "platform/gui/steadywidgets.h"
#include "platform/gui/waitcursor.h"

using platform::Named;

TfrmImport* frmImport = nullptr;

TfrmImport::TfrmImport(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmImport"));
    pnlFileList = Named(new QFrame(this), "pnlFileList");
    lbxFiles = Named(new QListWidget(pnlFileList), "lbxFiles");
    lbxFiles->setMinimumSize(560, 260);
    // One line each: the list need not measure every entry again whenever one changes. An
    // entry longer than the list scrolls, and its tool tip shows it whole.
    lbxFiles->setUniformItemSizes(true);
    lbxFiles->setItemDelegate(new platform::UniformRowDelegate(lbxFiles));
    lbxFiles->setTextElideMode(Qt::ElideNone);
    pnlDir = Named(new QFrame(pnlFileList), "pnlDir");
    pnlDir->setFrameShape(QFrame::Panel);
    pnlDir->setFrameShadow(QFrame::Sunken);
    lblRootDir = Named(new QLabel(pnlDir), "lblRootDir");
    lblRootDir->setTextFormat(Qt::PlainText);
    bbtImport = Named(new QPushButton(this), "bbtImport");
    bbtImport->setEnabled(false);
    lblStat1 = Named(new QLabel(this), "lblStat1");
    lblStat2 = Named(new QLabel(this), "lblStat2");
    lblStat2->setTextFormat(Qt::PlainText);
    bbtDestDir = Named(new QPushButton(this), "bbtDestDir");
    bbtExit = Named(new QPushButton(this), "bbtExit");

    using platform::Guard;
    connect(bbtImport, &QPushButton::clicked, this, Guard([this] { bbtImportClick(); }));
    connect(bbtDestDir, &QPushButton::clicked, this, Guard([this] { bbtDestDirClick(); }));
    connect(bbtExit, &QPushButton::clicked, this, Guard([this] { bbtExitClick(); }));

    auto* dirLayout = new QHBoxLayout(pnlDir);
    dirLayout->addWidget(lblRootDir);
    auto* listLayout = new QVBoxLayout(pnlFileList);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addWidget(pnlDir);
    listLayout->addWidget(lbxFiles, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bbtImport);
    buttons->addWidget(bbtDestDir);
    buttons->addStretch(1);
    buttons->addWidget(bbtExit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pnlFileList, 1);
    layout->addWidget(lblStat1);
    layout->addWidget(lblStat2);
    layout->addLayout(buttons);
}

void TfrmImport::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // The folder is asked for once the window is up, not inside its show event.
    if (!e->spontaneous())
        QTimer::singleShot(0, this, platform::Guard([this] { FormShow(); }));
}

void TfrmImport::paintEvent(QPaintEvent* e)
{
    QDialog::paintEvent(e);
    FormPaint();
}

void TfrmImport::FormShow()
{
    if (!isVisible())
        return;
    CloseOnPaint = 0;
    // Nothing of an earlier showing stays behind the folder choice.
    lbxFiles->clear();
    lblRootDir->clear();
    lblStat1->clear();
    lblStat2->clear();
    bbtImport->setEnabled(false);
    TfrmDirSelect* chooser = frmDirSelect;
    if (chooser) {
        chooser->Path = QDir::currentPath();
        if (chooser->exec() == 1) {
            ShowSource(chooser->Path);
            return;
        }
    }
    CloseOnPaint = 1;
    // A paint may not come soon on every platform.
    QTimer::singleShot(0, this, [this] { FormPaint(); });
    update();
}

void TfrmImport::FormPaint()
{
    if (CloseOnPaint && isVisible()) {
        CloseOnPaint = 0;
        done(2);
    }
}

void TfrmImport::ShowSource(const QString& root)
{
    lbxFiles->clear();
    lblRootDir->setText(root);
    {
        platform::WaitCursor busy;
        ScanDbbFiles(root);
    }
    bbtImport->setEnabled(lbxFiles->count() > 0);
    bbtDestDir->setEnabled(true);
    lblStat1->setText(QString::number(lbxFiles->count()) + u' ' + TxtFilesFound);
    ShowTarget();
}

void TfrmImport::ShowTarget()
{
    lblStat2->setText(TxtCopyTo + u'"' + CurrentStation.InitialDir + QStringLiteral("\"?"));
}

void TfrmImport::ScanDbbFiles(const QString& folder)
{
    lbxFiles->addItems(::ScanDbbFiles(folder));
    for (int i = 0; i < lbxFiles->count(); ++i)
        lbxFiles->item(i)->setToolTip(lbxFiles->item(i)->text());
}

void TfrmImport::bbtImportClick()
{
    const QString root = lblRootDir->text();
    const QString dataDir = CurrentStation.InitialDir;
    bbtImport->setEnabled(false);
    bbtDestDir->setEnabled(false);
    platform::WaitCursor busy;
    m_copied = 0;
    // The window shows the file in hand and the count so far a few times a second, not after
    // every file: the copying sets the pace.
    QElapsedTimer shown;
    shown.start();
    auto show = [this](int i) {
        lbxFiles->setCurrentRow(i);
        lbxFiles->scrollToItem(lbxFiles->item(i));
        lblStat2->setText(QString::number(m_copied) + u' ' + TxtFilesCopied);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    for (int i = 0; i < lbxFiles->count(); ++i) {
        QListWidgetItem* item = lbxFiles->item(i);
        const QString e = item->text();
        const QString target = ImportDbbFile(root + e, dataDir);
        // Only a file that was copied is shown with its target and counted.
        if (target.isEmpty()) {
            item->setText(e + QStringLiteral(" -| "));
        } else {
            item->setText(e + QStringLiteral(" -> ") + target);
            ++m_copied;
        }
        item->setToolTip(item->text());
        if (shown.hasExpired(100) || i + 1 == lbxFiles->count()) {
            show(i);
            shown.restart();
        }
    }
    lblStat2->setText(QString::number(m_copied) + u' ' + TxtFilesCopied);
}

void TfrmImport::bbtDestDirClick()
{
    TfrmStation* stations = frmStation;
    if (!stations)
        return;
    stations->exec();
    QFile::remove(JoinLocalPath({CurrentStation.InitialDir, QString::fromLatin1(TempDbbFileName)}));
    stations->ReadStationRow(CurrentStation);
    ShowTarget();
}

void TfrmImport::bbtExitClick()
{
    done(2);
}

void TfrmImport::done(int r)
{
    CloseOnPaint = 0;
    QDialog::done(r == 1 ? 1 : 2);
}
