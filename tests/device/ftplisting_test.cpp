#include <QListWidget>
#include <QLabel>
#include <QPushButton>

#include "comms/core/adexcept.h"
#include "ftpfixture.h"
#include "samples.h"

using dbbtest::UtcSeconds;

namespace {

class FtpListing : public FtpFixture {
protected:
    // Connects the download window for [start, end]; returns the entries found.
    int connectFor(TDateTime start, TDateTime end)
    {
        frmFtpTransfer->DownloadMode = true;
        frmFtpTransfer->show();
        frmFtpTransfer->SetStartDateTime(start);
        frmFtpTransfer->SetEndDateTime(end);
        frmFtpTransfer->bbtConnect->click();
        return frmFtpTransfer->lbxDir->count();
    }
    bool notConnected() const
    {
        return frmFtpTransfer->bbtConnect->isEnabled() && frmFtpTransfer->lblLoadFile->text() == TxtNotConnected
               && !DataModFtp->ApdFtpClient->Connected();
    }
};

}  // namespace

// A listing that never ends, slowly or beyond its bound: its data connection closes, the reason
// is told once, and the window is back to "not connected".
TEST_F(FtpListing, AListingPastItsTimeOutOrBoundEndsTheConnect)
{
    deviceHour(UtcSeconds(2007, 11, 20, 10));
    startDevice();
    DataModFtp->ListingWaitSeconds = 2;
    const struct {
        const char* fault;
        QString told;
    } cases[] = {
        {"endless /DATA/DBB 20 100", MsgFtpTimeout},
        {"endless /DATA/DBB/2007 0 0", MsgFtpError + ErrorMsg(int16_t(ecFtpListingTooLong))},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(peer->command(QStringLiteral("clear")));
        ASSERT_TRUE(peer->command(QString::fromLatin1(c.fault)));
        platform::DialogScript::clearShown();
        EXPECT_EQ(connectFor(Local(2007, 11, 20), Local(2007, 11, 20, 23, 59)), 0);
        EXPECT_EQ(shownTexts(), QStringList{c.told}) << c.fault;
        EXPECT_TRUE(notConnected()) << c.fault;
        // Usable again: the next connect lists what the device holds.
        ASSERT_TRUE(peer->command(QStringLiteral("clear")));
        EXPECT_EQ(connectFor(Local(2007, 11, 20), Local(2007, 11, 20, 23, 59)), 1) << c.fault;
        frmFtpTransfer->bbtQuit->click();
    }
}

// Servers that answer in their own ways are read as the devices are; what no listing is, is told.
TEST_F(FtpListing, OddServersAreReadAndAnUnreadableListingIsTold)
{
    for (int h : {0, 1, 2})
        deviceHour(UtcSeconds(2007, 11, 20, 10 + h));
    startDevice();
    QStringList dirs;  // the year folder's listings asked for
    const auto report = DataModFtp->OnLogLine;
    DataModFtp->OnLogLine = [&](const QString& line) {
        if (line.startsWith(QStringLiteral("DIR DBB\\2007\\")))
            dirs << line;
        if (report)
            report(line);
    };
    const struct {
        QStringList faults;
        int found;
    } cases[] = {
        {{}, 3},
        {{"lf on"}, 3},
        {{"listing /DATA/DBB dos", "listing /DATA/DBB/2007 unix", "listing /DATA/DBB/2007/11 cr"}, 3},
        // No month in a year folder is asked for ("Ftp Error: 550" boxes).
        {{"extra /DATA/DBB/2007 total", "extra /DATA/DBB/2007 M\xC3\xA4r", "extra /DATA/DBB/2007 13"}, 3},
        {{"listing /DATA/DBB/2007 bad"}, 0},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(peer->command(QStringLiteral("clear")));
        for (const QString& f : c.faults)
            ASSERT_TRUE(peer->command(f));
        platform::DialogScript::clearShown();
        dirs.clear();
        EXPECT_EQ(connectFor(Local(2006, 12, 31), Local(2008, 1, 1)), c.found) << c.faults.join('|').toStdString();
        if (c.found) {
            EXPECT_EQ(dirs, QStringList({"DIR DBB\\2007\\*.*", "DIR DBB\\2007\\11\\*.*"}));
            EXPECT_EQ(shownTexts(), QStringList()) << c.faults.join('|').toStdString();
            EXPECT_FALSE(frmFtpTransfer->bbtConnect->isEnabled());
        } else {
            EXPECT_EQ(shownTexts(), QStringList{MsgFtpError + MsgListingUnreadable + ": DBB\\2007\\*.*"});
            EXPECT_TRUE(notConnected());
        }
        frmFtpTransfer->bbtQuit->click();
    }
}
