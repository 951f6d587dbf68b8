// Identification, upload and log modes of the transfer window.
#include "device/tfrmftptransfer.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include "data/datatree.h"
#include "data/localpath.h"
#include "data/runtimetexts.h"
#include "data/stationsettings.h"
#include "device/programstate.h"
#include "device/tdatamodftp.h"
#include "device/tfrmconnect.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/waitcursor.h"

namespace {

const QString DefaultLogin = QStringLiteral("kqv");
constexpr int LogNameWidth = 22;
// Before the local name of an old log that the device names as the current one.
const QString OldLogPrefix = QStringLiteral("OLD_");

bool AskRetry()
{
    return platform::MessageDlg(MsgTransferRetry, platform::MsgDlgType::Confirmation,
                                platform::mbAbort | platform::mbRetry) == platform::mrRetry;
}

// The device closed the connection or stopped answering.
bool ConnectionGone()
{
    const int code = DataModFtp->FtpResult();
    return code == frConnectionLost || code == frTimeout || !DataModFtp->LoggedIn();
}

}  // namespace

void TfrmFtpTransfer::bbtConnectClick()
{
    const QString address = TypedAddress();
    if (address.isEmpty())
        return;
    platform::WaitCursor cursor;
    bbtConnect->setEnabled(false);
    if (!DataModFtp->FtpConnect(address, edUser->text(), edPassw->text())) {
        DataModFtp->FtpLogout(false);
        cursor.Restore();
        bbtConnect->setEnabled(true);
        return;
    }
    TProgramState& stations = ProgramState();
    int region = 0, station = 0;
    if (!frmConnect || !frmConnect->QueryRegionStation(address, region, station)) {
        if (platform::MessageDlg(MsgRegionStationUnknown, platform::MsgDlgType::Confirmation,
                                 platform::mbYes | platform::mbNo) == platform::mrYes) {
            stations.ShowStationList();
            stations.ReadStationRow(CurrentStation);
            region = CurrentStation.RegionNumber;
            station = CurrentStation.StationNumber;
        } else {
            region = 0;
            station = 0;
        }
    }
    stations.WriteStationRow(CurrentStation);
    stations.FindStation(QString::asprintf("%03d", region), QString::asprintf("%03d", station));
    stations.ReadStationRow(CurrentStation);
    CurrentStation.RegionNumber = region;
    CurrentStation.StationNumber = station;
    CurrentStation.LoginName = edUser->text();
    CurrentStation.LoginPass = edPassw->text();
    CurrentStation.IPAddress = address;
    stations.WriteStationRow(CurrentStation);
    cursor.Restore();
    TransferResult = 1;
    close();  // the log-in stays open for the online mode
}

void TfrmFtpTransfer::ConnectOnlyClick()
{
    TransferResult = 1;
    close();
}

void TfrmFtpTransfer::UploadConnectClick()
{
    UploadFolder = CurrentStation.InitialDir;
    QString chosen = UploadFolder;
    if (ProgramState().ChooseFolder(chosen)) {
        lbxDir->clear();
        UploadFolder = chosen;
        QStringList files;
        ListDirectory(files, JoinLocalPath({UploadFolder, QStringLiteral("*.*")}));
        lbxDir->addItems(files);
    }
    platform::WaitCursor cursor;
    bbtConnect->setEnabled(false);
    // The address FormShow or the device search stored, not the octet edits.
    if (!DataModFtp->FtpConnect(CurrentStation.IPAddress, edUser->text(), edPassw->text())) {
        DataModFtp->FtpLogout(false);
        cursor.Restore();
        bbtConnect->setEnabled(true);
        return;
    }
    if (lbxDir->count() == 0) {
        bbtConnect->setEnabled(true);
    } else {
        bbtUpLoad->setEnabled(true);
        lbxDir->setEnabled(false);
    }
    bbtAbort->setEnabled(false);
    bbtExit->setEnabled(true);
}

void TfrmFtpTransfer::bbtUpLoadSysClick()
{
    platform::WaitCursor cursor;
    bbtUpLoad->setEnabled(false);
    bbtExit->setEnabled(false);
    bbtAbort->setEnabled(true);
    const int total = lbxDir->count();
    pgbCopy->setMaximum(total);
    pgbCopy->setValue(0);
    int copied = 0;

    QString folder = UploadFolder;
    while (folder.size() > 1 && folder.endsWith(LocalPathDelim))
        folder.chop(1);
    const QString name = FileNamePart(folder);
    // Nothing is stored unless the new set's own folder below BIN is the current one.
    const auto intoFolder = [&] {
        return IsSafeFileName(name) && DataModFtp->FtpChangeDir(QStringLiteral("BIN")) &&
               DataModFtp->FtpMakeDir(name) && DataModFtp->FtpChangeDir(name);
    };
    bool inFolder = intoFolder();
    QString cutLeft;  // a cut file the device could not be made to delete
    for (int i = 0; inFolder && i < lbxDir->count(); ++i) {
        QListWidgetItem* item = lbxDir->item(i);
        const QString path = item->text();
        const QFileInfo info(path);
        if (!info.isFile())
            continue;
        if (DataModFtp->FtpStore(info.fileName(), path)) {
            if (cutLeft == info.fileName())
                cutLeft.clear();  // stored whole on a retry
            item->setText(path + QStringLiteral(" - ") + TxtCopied);
            pgbCopy->setValue(++copied);
            continue;
        }
        if (!DataModFtp->CutFileLeft().isEmpty())
            cutLeft = DataModFtp->CutFileLeft();
        // A refused file is counted; a connection that went away is asked about, and Retry
        // carries on with this file on a new one.
        if (DataModFtp->UserAborted() || !ConnectionGone())
            continue;
        DataModFtp->FtpLogout(true);
        if (!AskRetry() || !DataModFtp->FtpConnect(CurrentStation.IPAddress, edUser->text(), edPassw->text()))
            break;  // a failed log-in has said so
        inFolder = intoFolder();
        --i;
    }
    lblLoadFile->setText(copied != total ? QString::number(total - copied) + QLatin1Char(' ') + TxtFilesNotTransferred
                                         : TxtTransferDone);
    if (!inFolder)
        platform::ShowMessage(MsgFtpError + QStringLiteral("BIN\\") + name);
    if (!cutLeft.isEmpty())
        platform::ShowMessage(MsgCutFileLeft + QStringLiteral("BIN\\") + name + u'\\' + cutLeft);
    bbtAbort->setEnabled(false);
    bbtExit->setEnabled(true);
}

void TfrmFtpTransfer::AbortDeviceLogs()
{
    m_logsAborted = true;
    // A log-in that runs has nothing to abort yet: leaving it ends it.
    if (DataModFtp->LoggedIn())
        DataModFtp->FtpAbort();
    else
        DataModFtp->FtpLogout(false);
}

void TfrmFtpTransfer::DownloadDeviceLogs(const QString& LogName, const QString& StationFolder)
{
    m_logsAborted = false;
    int done = 0, total = 1;
    const auto progress = [&] {
        if (OnLogProgress)
            OnLogProgress(done, total);
    };
    progress();
    const QString address = CurrentStation.IPAddress;
    if (!DataModFtp->FtpConnect(address, DefaultLogin, DefaultLogin))
        return;
    platform::WaitCursor cursor;
    const QString dataDir = ProgramState().DataDirectory();
    const QString logFolder = JoinLocalPath({dataDir, StationFolder, QStringLiteral("Log")});
    // A retry starts a new connection in the log-in folder: back into LOG first.
    auto reconnect = [&] {
        DataModFtp->FtpLogout(true);
        return DataModFtp->FtpConnect(address, DefaultLogin, DefaultLogin) &&
               DataModFtp->FtpChangeDir(QStringLiteral("LOG"));
    };
    // Names from the device become local names only when they are plain names.
    auto target = [&](const QString& remoteName) {
        const QString path = JoinLocalPath({logFolder, remoteName});
        return IsSafeFileName(remoteName) && IsInsideDir(dataDir, path) ? path : QString();
    };
    const auto aborted = [&] { return m_logsAborted || DataModFtp->UserAborted(); };
    // The window is closed by now: the command layer has said nothing, so the reason is
    // told here. A file too large or one that cannot be stored is not asked about again.
    auto retry = [&] {
        if (aborted())
            return false;
        if (const QString why = DataModFtp->FailureText(); !isVisible() && !why.isEmpty())
            platform::ShowMessage(why);
        const int code = DataModFtp->FtpResult();
        return code != frTooLarge && code != frLocalFolder && AskRetry();
    };
    // A log beyond the bound is skipped (its reason told); the others still come.
    auto skipTooLarge = [&] {
        if (aborted() || DataModFtp->FtpResult() != frTooLarge)
            return false;
        DataModFtp->FtpSetTimeouts(10);
        return true;
    };

    DataModFtp->FtpChangeDir(QStringLiteral("LOG"));
    const QString current = target(LogName);
    bool haveCurrent = !current.isEmpty() && DataModFtp->FtpRetrieve(LogName, current, FtpMaxLogFileBytes);
    if (!haveCurrent && !current.isEmpty() && retry()) {
        reconnect();
        haveCurrent = DataModFtp->FtpRetrieve(LogName, current, FtpMaxLogFileBytes);
    }
    if (haveCurrent)
        ++done;

    if (haveCurrent || skipTooLarge()) {
        lbxDir->clear();
        QStringList names;
        DataModFtp->FtpListDir(names, QStringLiteral("OLD\\*.*"));
        // The window is closed: a listing that failed is told here, or no old log comes unexplained.
        if (const QString why = DataModFtp->ListingFailure(); !why.isEmpty())
            platform::ShowMessage(why);
        for (const QString& n : names)
            lbxDir->addItem(QStringLiteral("OLD\\") + n);
        total = 1 + lbxDir->count();
        progress();
        pgbCopy->setMaximum(lbxDir->count());
        pgbCopy->setValue(0);
        for (int i = 0; i < lbxDir->count() && !aborted();) {
            QListWidgetItem* item = lbxDir->item(i);
            const QString entry = item->text();
            const QString name = entry.mid(4);
            // An old log named as the current one keeps a name of its own beside it.
            const QString local = target(name.compare(LogName, Qt::CaseInsensitive) == 0 ? OldLogPrefix + name : name);
            lblLoadFile->setText(entry);
            if (local.isEmpty()) {
                ++i;  // refused: nothing of it is written
                continue;
            }
            if (DataModFtp->FtpRetrieve(entry, local, FtpMaxLogFileBytes)) {
                item->setText(entry.leftJustified(LogNameWidth, QLatin1Char(' ')) + QStringLiteral(" - ") + TxtCopied);
                pgbCopy->setValue(pgbCopy->value() + 1);
                ++done;
                progress();
                ++i;
                continue;
            }
            if (!retry()) {
                if (!skipTooLarge())
                    break;
                ++i;
                continue;
            }
            reconnect();  // a failed log-in fails the same entry again, and asks again
        }
    }
    DataModFtp->FtpLogout(false);
}
