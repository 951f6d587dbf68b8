// The download window's address is decimal; a stored one that is no dotted quad is left alone.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include "ftpfixture.h"

TEST_F(FtpFixture, AddressLeadingZerosAreDecimalAndAStoredNameIsLeftAlone)
{
    peer = std::make_unique<FtpDevicePeer>(device.path(), QStringLiteral("127.0.0.10"));
    ASSERT_TRUE(peer->started()) << peer->error().toStdString();
    DataModFtp->ApdFtpClient->SetWsPort(QString::number(peer->port()));
    TfrmFtpTransfer& w = *frmFtpTransfer;
    const auto type = [&w](const char* a, const char* b, const char* c, const char* d) {
        for (auto [ed, text] : {std::pair{w.edAddr1, a}, {w.edAddr2, b}, {w.edAddr3, c}, {w.edAddr4, d}})
            ed->setText(QString::fromLatin1(text));
    };
    CurrentStation.IPAddress = QStringLiteral("localhost");
    CurrentStation.CurrentLanguage = 1;
    w.DownloadMode = true;
    w.show();
    EXPECT_TRUE(w.lblLoadFile->text().startsWith(QStringLiteral("Not an IPv4 address: \"localhost\"")));
    w.bbtConnect->click();  // nothing typed: refused, nothing stored
    type("127", "0", "0", "999");
    w.bbtConnect->click();
    EXPECT_EQ(shownTexts().filter(QRegularExpression("IPv4 address: \"(localhost|127.0.0.999)\"")).size(), 2);
    EXPECT_TRUE(w.bbtConnect->isEnabled() && CurrentStation.IPAddress == "localhost");
    type("127", "000", "000", "010");  // octal would be 127.0.0.8
    w.bbtConnect->click();
    EXPECT_FALSE(w.bbtConnect->isEnabled()) << shownTexts().join(u'|').toStdString();
    EXPECT_TRUE(CurrentStation.IPAddress == "127.0.0.10" && w.OctetAddress() == "127.0.0.10");
}
