// The download window's address: typed, stored and connected to in decimal; a stored address
// that is no dotted IPv4 address is said so and left alone until the operator types one.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>

#include "ftpfixture.h"

namespace {

class FtpAddress : public FtpFixture {
protected:
    void type(const std::array<const char*, 4>& octets)
    {
        const std::array<QLineEdit*, 4> edits{w().edAddr1, w().edAddr2, w().edAddr3, w().edAddr4};
        for (size_t i = 0; i < edits.size(); ++i)
            edits[i]->setText(QString::fromLatin1(octets[i]));
    }
    static TfrmFtpTransfer& w() { return *frmFtpTransfer; }
};

TEST_F(FtpAddress, LeadingZerosAreDecimalAndAStoredNameIsLeftAlone)
{
    peer = std::make_unique<FtpDevicePeer>(device.path(), QStringLiteral("127.0.0.10"));
    ASSERT_TRUE(peer->started()) << peer->error().toStdString();
    DataModFtp->ApdFtpClient->SetWsPort(QString::number(peer->port()));
    CurrentStation.IPAddress = QStringLiteral("localhost");
    for (int lang : {0, 1}) {
        CurrentStation.CurrentLanguage = lang;
        w().DownloadMode = true;
        w().show();
        EXPECT_EQ(w().OctetAddress(), "...");
        EXPECT_TRUE(w().lblLoadFile->text().contains(QStringLiteral("localhost"))) << w().lblLoadFile->text().toStdString();
        EXPECT_TRUE(w().lblLoadFile->text().contains(QStringLiteral("IPv4"))) << lang;
        w().close();
        EXPECT_EQ(CurrentStation.IPAddress, "localhost");
    }

    w().DownloadMode = true;
    w().show();
    w().bbtConnect->click();  // nothing typed: refused, nothing stored
    type({"127", "0", "0", "999"});
    w().bbtConnect->click();
    const QStringList shown = shownTexts();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[0].contains(QStringLiteral("\"localhost\"")));
    EXPECT_TRUE(shown[1].contains(QStringLiteral("\"127.0.0.999\"")));
    EXPECT_TRUE(w().bbtConnect->isEnabled());
    EXPECT_EQ(CurrentStation.IPAddress, "localhost");

    type({"127", "000", "000", "010"});  // octal would be 127.0.0.8
    w().bbtConnect->click();
    EXPECT_FALSE(w().bbtConnect->isEnabled()) << shownTexts().join(u'|').toStdString();
    EXPECT_EQ(CurrentStation.IPAddress, "127.0.0.10");
    EXPECT_EQ(w().OctetAddress(), "127.0.0.10");
}

}  // namespace
