// The download window's address is decimal; a stored one that is no dotted quad is left alone.
#include <QApplication>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <tuple>

#include "common/userinput.h"
#include "ftpfixture.h"
#include "platform/core/shortdate.h"

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

// Enter presses the focused button and connects from an edit (refused: nothing typed), a held
// one once; the address line follows the typing, the focus stays put; the dates are short.
TEST_F(FtpFixture, EnterConnectsTheAddressLineFollowsTheTypingAndDatesAreShort)
{
    TfrmFtpTransfer& w = *frmFtpTransfer;
    CurrentStation.IPAddress.clear();
    w.DownloadMode = true;
    TabChain(&w);
    EXPECT_EQ(w.lblLoadFile->text(), "");
    for (auto [target, key, held] : {std::tuple<QWidget*, Qt::Key, bool>{w.bbtConnect, Qt::Key_Return, false},
             {w.bbtConnect, Qt::Key_Enter, false}, {w.edPassw, Qt::Key_Return, false}, {w.edAddr2, Qt::Key_Enter, false},
             {w.bbtConnect, Qt::Key_Return, true}}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, "\r", held);
        QCoreApplication::sendEvent(target, &press);
    }
    EXPECT_EQ(shownTexts().filter("IPv4").size(), 4);
    const auto type = [](const char* keys) {
        for (const char* c = keys; *c; ++c)
            QTest::keyClick(QApplication::focusWidget(), *c == '\t' ? Qt::Key_Tab : Qt::Key(*c));
    };
    w.edAddr1->setFocus();
    type("999");
    EXPECT_TRUE(w.lblLoadFile->text().contains("999..."));
    w.edAddr1->clear();
    type("127\t0\t7\t7");
    EXPECT_EQ(w.lblLoadFile->text(), "");
    w.edAddr1->setFocus(Qt::TabFocusReason), type("0"), w.edAddr1->setText("127");  // no device has 0.x.x.x
    EXPECT_TRUE(w.lblLoadFile->text().contains("0.0.7.7"));
    w.edAddr2->setFocus();
    w.edAddr2->clear();
    type("\t5");
    QCoreApplication::processEvents();
    type("6");
    EXPECT_EQ(w.OctetAddress(), "127..56.7");
    for (int lang : {0, 1}) {
        ApplyTextsFtpTransfer(lang);
        EXPECT_EQ(w.dtpEnd->text(), platform::ShortDateText(QDate::currentDate()));
    }
}
