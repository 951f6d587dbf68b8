#include "comms/ftp/tapdftplog.h"

#include "comms/core/exception.h"
#include "comms/ftp/tapdftpclient.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>

QString FtpLogText(TFtpLogCode Code, const TFtpLogValues& V)
{
    switch (Code) {
    case lcClose: return QStringLiteral("Disconnected");
    case lcOpen: return QStringLiteral("Connected to ") + V.ServerAddress;
    case lcLogout: return V.UserName + QStringLiteral(" logged out");
    case lcLogin: return V.UserName + QStringLiteral(" logged in");
    case lcDelete: return QStringLiteral("Deleting ") + V.RemoteFile;
    case lcRename: return QStringLiteral("Renaming ") + V.RemoteFile;
    case lcReceive: return QStringLiteral("Downloading ") + V.RemoteFile;
    case lcStore: return QStringLiteral("Uploading ") + V.LocalFile;
    case lcComplete:
        return QStringLiteral("Transfer complete. ") + QString::number(V.BytesTransferred) +
               QStringLiteral(" bytes Transferred");
    case lcRestart: return QStringLiteral("Attempting re-transfer at ") + QString::number(V.RestartAt) + QStringLiteral(" bytes");
    case lcTimeout: return QStringLiteral("Transfer timed out");
    case lcUserAbort: return QStringLiteral("Transfer aborted by user");
    }
    return {};
}

TApdFtpLog::TApdFtpLog(QObject* Owner) : TApdBaseComponent(Owner)
{
    // The owner's insertion notice came while this was no log yet: a client there hears it now.
    NotifyOwnerComponents(this, opInsert);
}

TApdFtpLog::~TApdFtpLog()
{
    if (FFtpClient && FFtpClient->FtpLog() == this)
        FFtpClient->SetFtpLog(nullptr);
}

void TApdFtpLog::SetFtpClient(TApdCustomFtpClient* Client)
{
    FFtpClient = Client;
}

void TApdFtpLog::UpdateLog(TFtpLogCode LogCode)
{
    TFtpLogValues v;
    if (FFtpClient) {
        v.ServerAddress = FFtpClient->ServerAddress();
        v.UserName = FFtpClient->UserName();
        v.RemoteFile = FFtpClient->RemoteFile();
        v.LocalFile = FFtpClient->LocalFile();
        v.BytesTransferred = FFtpClient->BytesTransferred();
        v.RestartAt = FFtpClient->RestartAt();
    }
    WriteLine(LogCode, v);
}

void TApdFtpLog::WriteLine(TFtpLogCode LogCode, const TFtpLogValues& Values)
{
    if (!FEnabled || FFtpHistoryName.isEmpty())
        return;
    const QDateTime now = QDateTime::currentDateTime();
    const QString line = QLocale::system().toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                         now.time().toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(" : ") +
                         FtpLogText(LogCode, Values) + QLatin1Char('\n');
    QFile f(FFtpHistoryName);
    // Append creates a missing file; any other failure is the caller's to see.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        throw EInOutError(QStringLiteral("Cannot open %1: %2").arg(FFtpHistoryName, f.errorString()), 5);
    const QByteArray bytes = line.toLocal8Bit();
    if (f.write(bytes) != bytes.size() || !f.flush())
        throw EInOutError(QStringLiteral("Cannot write %1: %2").arg(FFtpHistoryName, f.errorString()), 29);
    f.close();
}
