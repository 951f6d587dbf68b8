#pragma once
#include "comms/ftp/ftpprotocol.h"
#include "comms/core/tapdbasecomponent.h"

#include <QPointer>
#include <QString>

class TApdCustomFtpClient;

// What a history line may mention, taken from the client when the line is written.
struct TFtpLogValues {
    QString ServerAddress, UserName, RemoteFile, LocalFile;
    int64_t BytesTransferred = 0;
    int64_t RestartAt = 0;
};

// The text of a history line after "date time : ".
QString FtpLogText(TFtpLogCode Code, const TFtpLogValues& V);

// The FTP history log: appends one "date time : text" line per log code of its client to a
// text file, opening and closing it for each line. A file that cannot be opened for another
// reason than its absence raises EInOutError out of UpdateLog.
// Thread rules: user-interface thread only.
class TApdFtpLog : public TApdBaseComponent {
    Q_OBJECT
public:
    explicit TApdFtpLog(QObject* Owner = nullptr);
    ~TApdFtpLog() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool V) { FEnabled = V; }
    QString FtpHistoryName() const { return FFtpHistoryName; }
    void SetFtpHistoryName(const QString& V) { FFtpHistoryName = V; }
    TApdCustomFtpClient* FtpClient() const { return FFtpClient; }
    void SetFtpClient(TApdCustomFtpClient* Client);

    virtual void UpdateLog(TFtpLogCode LogCode);
    // Appends the line of LogCode with the given values (UpdateLog passes the client's).
    void WriteLine(TFtpLogCode LogCode, const TFtpLogValues& Values);

private:
    bool FEnabled = false;
    QString FFtpHistoryName = QStringLiteral("LNKRFTP.HIS");
    QPointer<TApdCustomFtpClient> FFtpClient;
};
