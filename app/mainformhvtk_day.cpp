// The main window's day: the loader on the window's sample buffer and minute levels.
#include <QFile>
#include <QLabel>
#include <QPushButton>

#include "app/mainformhvtk.h"
#include "app/windows/tdayloader.h"
#include "app/windows/tdayloaderhost.h"
#include "app/texts/sprachen.h"
#include "comms/ftp/tapdftpclient.h"
#include "device/tdatamodftp.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/tradiogroup.h"

namespace {

// The main window as the day loader sees it.
class TMainWindowDayHost : public TDayLoaderHost {
public:
    explicit TMainWindowDayHost(TMainFormHvtk& w) : m_w(w) {}

    bool OnlineMode() const override { return m_w.OnlineMode; }
    void ShowProgress(int percent) override { m_w.ShowProgress(percent); }
    bool Closing() const override { return m_w.IsClosing(); }
    bool RemoteFileListEmpty() const override { return !m_w.RemoteFileList || m_w.RemoteFileList->Count() == 0; }
    void FtpListDir(const QString& mask) override
    {
        QStringList names;
        if (!DataModFtp || !m_w.RemoteFileList || !m_w.OnlineMode)
            return;
        DataModFtp->FtpListDir(names, mask);
        for (const QString& name : names)
            m_w.RemoteFileList->Add(name);
        // Left, or the device's list never came whole: the day comes from the local tree.
        if (m_w.LoadAborted() || DataModFtp->UserAborted() || DataModFtp->ListingFailed()) {
            const QString why = m_w.LoadAborted() ? QString() : DataModFtp->ListingFailure();
            m_w.GoOffline();
            if (!why.isEmpty())
                platform::ShowMessage(why);
        }
    }
    QString FindRemoteFile(const QString& name) const override
    {
        int index = -1;
        if (!m_w.RemoteFileList || !m_w.RemoteFileList->Find(name, index))
            return QString();
        return (*m_w.RemoteFileList)[index];
    }
    bool FtpGetFile(const QString& remote, const QString& local) override { return m_w.FtpGetFile(remote, local); }

private:
    TMainFormHvtk& m_w;
};

}  // namespace

bool TMainFormHvtk::LoadDay(TDateTime date)
{
    TMainWindowDayHost host(*this);
    TDayLoader loader(SampleBuffer, MinuteLevels, host, &RepeatedHour);
    struct LoadingScope {
        TMainFormHvtk& w;
        const bool outer;
        explicit LoadingScope(TMainFormHvtk& f) : w(f), outer(f.m_loadingDay) { w.m_loadingDay = true; }
        ~LoadingScope()
        {
            w.m_loadingDay = outer;
            if (!outer && w.m_paintAfterLoad) {
                w.m_paintAfterLoad = false;
                w.m_paintPending = false;
                w.Invalidate();
            }
        }
    } scope(*this);
    const bool wasOnline = OnlineMode;
    if (wasOnline && !scope.outer) {
        m_loadAborted = false;
        bbtAbort->setEnabled(true);
        bbtAbort->show();
        bbtAbort->raise();
    }
    bool loaded = loader.LoadDay(date);
    if (!scope.outer)
        bbtAbort->hide();
    LocalFilePath = loader.LocalFilePath;
    // Online mode ended on the way (the device was lost): the hours it gave before are no
    // day of the local tree, whose folder the window now names.
    if (wasOnline && !OnlineMode && !IsClosing()) {
        TDayLoader local(SampleBuffer, MinuteLevels, host, &RepeatedHour);
        loaded = local.LoadDay(date);
        LocalFilePath = local.LocalFilePath;
    }
    return loaded;
}

void TMainFormHvtk::ShowProgress(int percent)
{
    if (!lblDevice)
        return;
    if (!lblStatus) {
        lblStatus = new QLabel(lblDevice->parentWidget());
        lblStatus->setObjectName(QStringLiteral("lblStatus"));
        lblStatus->hide();
    }
    if (percent > 100) {
        lblStatus->hide();
        lblDevice->show();
        return;
    }
    lblStatus->setGeometry(lblDevice->geometry());
    lblStatus->setText(ProgressText(percent));
    lblDevice->hide();
    lblStatus->show();
}

void TMainFormHvtk::bbtAbortClick()
{
    m_loadAborted = true;
    bbtAbort->setEnabled(false);  // once
    if (DataModFtp && DataModFtp->ApdFtpClient->InProgress())
        DataModFtp->FtpAbort();
}

bool TMainFormHvtk::FtpGetFile(const QString& remote, const QString& local)
{
    if (!m_loadAborted && DataModFtp && DataModFtp->FtpRetrieve(remote, local, FtpMaxHourFileBytes))
        return true;
    const bool aborted = m_loadAborted || !DataModFtp || DataModFtp->UserAborted();
    const int code = aborted ? 0 : DataModFtp->FtpResult();
    if (code == frFileNotAvailable) {
        // A missing hour is no failure of the connection: the flat folder and the later
        // hours are still tried, which the sticky code would otherwise refuse.
        DataModFtp->FtpSetTimeouts(10);
    } else {
        GoOffline();
        // Left by the operator: nothing to tell. A device that fell silent is a time-out.
        if (!aborted)
            platform::ShowMessage(code == frTimeout ? MsgFtpTimeout : MsgTransferClosed);
    }
    QFile::remove(local);
    return false;
}
