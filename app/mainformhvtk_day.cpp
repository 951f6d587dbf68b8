// The main window's day: the loader on the window's sample buffer and minute levels.
#include <QFile>
#include <QLabel>

#include "app/mainformhvtk.h"
#include "app/tdayloader.h"
#include "app/tdayloaderhost.h"

namespace {

// The main window as the day loader sees it.
class TMainWindowDayHost : public TDayLoaderHost {
public:
    explicit TMainWindowDayHost(TMainFormHvtk& w) : m_w(w) {}

    bool OnlineMode() const override { return m_w.OnlineMode; }
    void ShowProgress(int percent) override { m_w.ShowProgress(percent); }
    bool Closing() const override { return m_w.IsClosing(); }
    bool RemoteFileListEmpty() const override { return !m_w.RemoteFileList || m_w.RemoteFileList->Count() == 0; }
    // The device listing comes with the FTP command layer; until then nothing is listed.
    void FtpListDir(const QString&) override {}
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
    TDayLoader loader(SampleBuffer, MinuteLevels, host);
    const bool loaded = loader.LoadDay(date);
    LocalFilePath = loader.LocalFilePath;
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

// Until the FTP command layer exists: no file comes from the device.
bool TMainFormHvtk::FtpGetFile(const QString&, const QString& local)
{
    QFile::remove(local);
    return false;
}
