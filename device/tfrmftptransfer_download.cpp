// Download mode: connect, list the device files of the date range, fetch them into the data
// tree.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QItemSelectionModel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QTimer>

#include "data/dbbfile.h"
#include "data/dbbnames.h"
#include "data/localpath.h"
#include "data/runtimetexts.h"
#include "data/stationsettings.h"
#include "device/downloadstore.h"
#include "device/ftpcollect.h"
#include "device/tdatamodftp.h"
#include "device/tfrmftptransfer.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/paintthrottle.h"
#include "platform/core/shortdate.h"
#include "platform/gui/waitcursor.h"

namespace {

// How often a running download shows its progress.
constexpr int DownloadShowMs = 100;

// "DBB\2007\11\4746CED0.dbb (23.11.2007 13:00:00)"
QString EntryText(const QString& remote, TDateTime time)
{
    int y, mo, d, h, mi, s, ms;
    DecodeDate(time, y, mo, d);
    DecodeTime(time, h, mi, s, ms);
    return remote + QStringLiteral(" (") + platform::ShortDateText(QDate(y, mo, d)) + u' '
        + QTime(h, mi, s).toString(QStringLiteral("HH:mm:ss")) + u')';
}

// An entry's remote name as listed, apart from the text it shows.
constexpr int RemoteNameRole = Qt::UserRole;

// An hour file's name: its start in eight hex digits, "4746CED0.dbb".
bool IsHourFileName(const QString& name)
{
    static const QRegularExpression hour(QStringLiteral("^[0-9A-Fa-f]{8}\\.[dD][bB][bB]$"));
    return hour.match(name).hasMatch();
}

bool ValidStation(int region, int station)
{
    return region >= 0 && region <= 999 && station >= 0 && station <= 999;
}

}  // namespace

void TfrmFtpTransfer::DownloadConnectClick()
{
    const QString address = TypedAddress();
    if (address.isEmpty())
        return;
    CurrentStation.IPAddress = address;
    platform::WaitCursor busy;
    bbtConnect->setEnabled(false);
    if (!DataModFtp->FtpConnect(CurrentStation.IPAddress, edUser->text(), edPassw->text())) {
        ShowNotConnected();
        return;
    }
    DataModFtp->FtpChangeDir(QStringLiteral("DATA"));
    CurrentStation.LoginName = edUser->text();
    CurrentStation.LoginPass = edPassw->text();
    bbtAbort->setEnabled(true);
    bbtExit->setEnabled(true);
    cbxOverwrite->setEnabled(true);
    ScanRemoteFiles();
    if (bbtConnect->isEnabled() || !DataModFtp->LoggedIn() || DataModFtp->UserAborted()) {
        ShowNotConnected();
        return;
    }
    lblLoadFile->setText(TxtCopyTo + CurrentStation.InitialDir);
    bbtAbort->setEnabled(false);
}

void TfrmFtpTransfer::ShowNotConnected()
{
    DataModFtp->FtpLogout(false);
    lbxDir->clear();
    bbtDownLoad->setEnabled(false);
    bbtAbort->setEnabled(false);
    lblLoadFile->setText(TxtNotConnected);
    bbtConnect->setEnabled(true);
}

void TfrmFtpTransfer::ScanRemoteFiles()
{
    if (bbtConnect->isEnabled())
        return;
    platform::WaitCursor busy;
    lbxDir->clear();
    lbxDir->setSortingEnabled(false);
    for (const QString& root : {QStringLiteral("WWW"), QStringLiteral("DBB")}) {
        if (root == QLatin1String("WWW") && !cbxCopyWww->isChecked())
            continue;
        QStringList list;
        DataModFtp->FtpCollectFiles(list, root, StartDateTime(), EndDateTime());
        // A device whose list never came whole is no connected one: its reason has been told.
        if (DataModFtp->ListingFailed()) {
            lbxDir->setSortingEnabled(true);
            ShowNotConnected();
            return;
        }
        for (const QString& remote : list) {
            auto* item = new QListWidgetItem(EntryText(remote, DeviceFileTime(root, FileNamePart(remote))));
            item->setData(RemoteNameRole, remote);
            lbxDir->addItem(item);
        }
    }
    lbxDir->setSortingEnabled(true);
    lbxDir->sortItems();
    lbxDir->scrollToBottom();
    bbtDownLoad->setEnabled(lbxDir->count() > 0);
}

void TfrmFtpTransfer::StepProgress()
{
    ++m_transferred;
}

void TfrmFtpTransfer::ShowPercent(int total)
{
    m_view.percent = QString::number(total > 0 ? m_transferred * 100 / total : 0) + QStringLiteral(" %");
}

void TfrmFtpTransfer::ShowDownload(bool now)
{
    if (!now && m_view.shown.isValid() && m_view.shown.elapsed() < DownloadShowMs) {
        // Shown at the latest when the interval is over, even while a long file still runs.
        if (!m_viewTimer->isActive())
            m_viewTimer->start(int(DownloadShowMs - m_view.shown.elapsed()));
        return;
    }
    m_viewTimer->stop();
    // One change of the selection, not one per file: each change is an event for the
    // accessibility bus, sent on to every screen reader.
    QItemSelection done;
    for (QListWidgetItem* item : m_view.deselected) {
        const QModelIndex index = lbxDir->indexFromItem(item);
        done.select(index, index);
    }
    if (!done.isEmpty())
        lbxDir->selectionModel()->select(done, QItemSelectionModel::Deselect);
    if (pgbCopy->value() != m_transferred)
        pgbCopy->setValue(m_transferred);
    for (const auto& [item, text] : m_view.texts)
        item->setText(text);
    if (m_view.current)
        lbxDir->scrollToItem(m_view.current);
    if (!m_view.loadFile.isNull())
        lblLoadFile->setText(m_view.loadFile);
    if (!m_view.percent.isNull())
        lblPercent->setText(m_view.percent);
    m_view = DownloadView{};
    m_view.shown.start();
}

void TfrmFtpTransfer::bbtDownLoadDataClick()
{
    const QString folder = JoinLocalPath({CurrentStation.InitialDir,
                                          StationDir(CurrentStation.RegionNumber, CurrentStation.StationNumber)})
        + LocalPathDelim;
    if (cbxOverwrite->isChecked()) {
        if (platform::MessageDlg(QString(MsgStoreOverwrite).replace(QStringLiteral("%s"), folder),
                                 platform::MsgDlgType::Confirmation, platform::mbOK | platform::mbCancel)
            != platform::mrOk)
            return;
    } else if (!QFileInfo::exists(folder)) {
        if (platform::MessageDlg(QString(MsgStoreConfirm).replace(QStringLiteral("%s"), folder),
                                 platform::MsgDlgType::Confirmation, platform::mbYes | platform::mbNo)
            != platform::mrYes) {
            bbtQuitClick();
            return;
        }
    }

    platform::WaitCursor busy;
    RemoveStaleDownloadFiles(CurrentStation.InitialDir);
    // Ten pictures a second while the files come: each costs as much as fetching a few.
    const int interactivePaint = m_paintThrottle->interval();
    m_paintThrottle->setInterval(DownloadShowMs);
    for (QWidget* w : std::initializer_list<QWidget*>{bbtDownLoad, bbtExit, cbxCopyWww, dtpStart, dtpEnd, lbxDir})
        w->setEnabled(false);
    bbtAbort->setEnabled(true);
    // Entries gain their result text as they go; the order stays as listed.
    lbxDir->setSortingEnabled(false);
    if (lbxDir->selectedItems().isEmpty())
        lbxDir->selectAll();
    const int total = int(lbxDir->selectedItems().size());
    pgbCopy->setMaximum(std::max(total, 1));
    pgbCopy->setValue(0);
    m_transferred = 0;

    for (int i = 0; i < lbxDir->count(); ++i) {
        QListWidgetItem* item = lbxDir->item(i);
        bool goOn = true;
        if (item->isSelected()) {
            bool transferred = false;
            goOn = DownloadEntry(item, transferred);
            if (transferred)
                StepProgress();
        }
        ShowPercent(total);
        ShowDownload(false);
        if (!goOn)
            break;
    }
    ShowDownload(true);

    if (m_transferred != total) {
        lblLoadFile->setText(QString::number(total - m_transferred) + u' ' + TxtFilesNotTransferred);
    } else {
        lblLoadFile->setText(TxtTransferDone);
        CurrentStation.LastUpdate = EndDateTime();
    }
    TransferResult = 1;
    // The bar stays where the percentage says: full at 100 %.
    bbtAbort->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{bbtExit, cbxCopyWww, dtpStart, dtpEnd, lbxDir})
        w->setEnabled(true);
    lbxDir->setSortingEnabled(true);
    m_paintThrottle->setInterval(interactivePaint);
}

bool TfrmFtpTransfer::DownloadEntry(QListWidgetItem* item, bool& transferred)
{
    const QString base = CurrentStation.InitialDir + LocalPathDelim;
    for (;;) {
        m_view.deselected.push_back(item);
        m_view.current = item;
        const QString entry = item->text();
        const auto mark = [&](const QString& result) { Mark(item, entry, result); };
        const QString remote = item->data(RemoteNameRole).toString();
        const QString ext = QFileInfo(FileNamePart(remote)).suffix().toLower();
        const bool average = ext == QLatin1String("www") || ext == QLatin1String("tmp");
        if (!average && !IsHourFileName(FileNamePart(remote))) {
            mark(TxtBadHourName);
            return true;
        }
        const QString localRel = average ? WwwLocalPath(remote) : HexNameToTempName(remote);
        // A device name that would put a file outside the data folder is not fetched.
        if (localRel.isEmpty() || !IsInsideDir(CurrentStation.InitialDir, base + localRel)) {
            mark(average && FileNamePart(remote).size() != 12 ? TxtBadAverageName : TxtOutsideDataFolder);
            return true;
        }

        if (average && ext != QLatin1String("tmp") && !cbxOverwrite->isChecked()
            && QFileInfo(base + localRel).isFile() && QFileInfo(base + localRel).size() > 0) {
            mark(TxtExisting);
            transferred = true;
            return true;
        }

        const qint64 bound = average ? FtpMaxAverageFileBytes : FtpMaxHourFileBytes;
        if (DataModFtp->FtpRetrieve(remote, base + localRel, bound)) {
            if (average) {
                mark(TxtCopied);
                m_view.loadFile = base + localRel;
                transferred = true;
                return true;
            }
            const QString temp = base + localRel;
            // Read once for both checks; the transfer has bounded it.
            QFile file(temp);
            QByteArray bytes = OpenDbbFile(file) ? file.read(FtpMaxHourFileBytes) : QByteArray();
            file.close();
            QBuffer fetched(&bytes);
            fetched.open(QIODevice::ReadOnly);
            // A file cut short, lengthened or doubled on its way would stay so, and one of
            // another hour would take this one's place: only the listed hour, whole, is kept.
            // (A file that names no start is refused below as naming no station.)
            const TFetchedHour hour = CheckFetchedHour(fetched, remote);
            if (hour == TFetchedHour::Own && fetched.seek(0))
                return StoreHourEntry(item, entry, remote, temp, fetched, transferred);
            QFile::remove(temp);
            ShowDownload(true);
            platform::ShowMessage((hour == TFetchedHour::OtherHour ? MsgFileOtherHour : MsgFileIncomplete) + remote);
        } else {
            const int code = DataModFtp->UserAborted() ? 0 : DataModFtp->FtpResult();
            if (code == 0)
                return false;
            if (code == frFileNotAvailable) {
                // Gone since the scan: no retry brings it back, and the later files still come.
                // Setting the time-outs clears the sticky 550, as the online day loader does.
                DataModFtp->FtpSetTimeouts(10);
                mark(TxtNotOnDevice);
                return true;
            }
            if (code == frLocalFolder) {
                ShowDownload(true);
                platform::ShowMessage(MsgFileNotStored + DataModFtp->LocalFailure());
                return false;
            }
            if (code == frTooLarge) {
                // The device sends the same again: the file is left out and the run goes on.
                mark(TxtTooLarge);
                Reconnect();
                return true;
            }
        }
        ShowDownload(true);
        if (platform::MessageDlg(MsgTransferRetry, platform::MsgDlgType::Confirmation, platform::mbAbort | platform::mbRetry)
            != platform::mrRetry) {
            if (DataModFtp->FtpResult() == frNone)
                mark(TxtIncomplete);
            return false;
        }
        Reconnect();
        item->setSelected(true);
    }
}

bool TfrmFtpTransfer::StoreHourEntry(QListWidgetItem* item, const QString& entry, const QString& remote,
                                     const QString& temp, QIODevice& fetched, bool& transferred)
{
    const auto mark = [&](const QString& result) { Mark(item, entry, result); };
    int region = -1;
    QString name;
    const int station = ReadDbbStation(fetched, region, name);
    // A file that does not say whose it is has no place in the tree.
    if (!ValidStation(region, station)) {
        QFile::remove(temp);
        mark(TxtNoStationInFile);
        return true;
    }
    const QString target = CurrentStation.InitialDir + LocalPathDelim + HexNameToStationPath(remote, region, station);
    if (!IsInsideDir(CurrentStation.InitialDir, target)) {
        QFile::remove(temp);
        mark(TxtOutsideDataFolder);
        return true;
    }
    QString error;
    switch (StoreHourFile(temp, target, cbxOverwrite->isChecked(), error)) {
    case TStoreResult::Failed:
        ShowDownload(true);
        platform::ShowMessage(MsgFileNotStored + error);
        return false;
    case TStoreResult::Existing:
        mark(TxtExisting);
        break;
    case TStoreResult::Stored:
        mark(TxtCopied);
        break;
    }
    m_view.loadFile = target;
    transferred = true;
    return true;
}

void TfrmFtpTransfer::Mark(QListWidgetItem* item, const QString& entry, const QString& result)
{
    m_view.texts.emplace_back(item, entry + QStringLiteral(" - ") + result);
}

void TfrmFtpTransfer::Reconnect()
{
    DataModFtp->FtpLogout(true);
    DataModFtp->FtpConnect(CurrentStation.IPAddress, edUser->text(), edPassw->text());
    DataModFtp->FtpChangeDir(QStringLiteral("DATA"));
}
