#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QThread>
#include <QTimeEdit>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "app/appstate.h"
#include "data/stationsettings.h"
#include "app/mainformhvtk.h"
#include "app/setlanguage.h"
#include "app/windows/tfrmtimezone.h"
#include "common/pump.h"
#include "common/userinput.h"
#include "device/rsconfigfixture.h"
#include "device/tfrmrsconfig.h"
#include "device/ttagtimer.h"
#include "comms/serial/tapdcomport.h"
#include "peers/portholder.h"
#include "peers/simdevice.h"
#include "platform/core/pczone.h"
#include "platform/gui/tradiogroup.h"

using platform::DialogScript;
using namespace rsconfig;

namespace {

// The window against simulated devices on pseudo-terminals, one per COM number asked for;
// every other COM number points at a path that does not exist.
class RsConfigDevice : public RsConfigFixture {
protected:
    void SetUp() override
    {
        RsConfigFixture::SetUp();
        zone = std::make_unique<TfrmTimezone>();
        frmTimezone = zone.get();
        RegisterProgramState();
        openWindow();
        SetLanguage(1);
    }
    void TearDown() override
    {
        w.reset();
        UnregisterProgramState();
        frmTimezone = nullptr;
        zone.reset();
        devices.clear();
        for (int n = 1; n <= 8; ++n)
            qunsetenv(qPrintable(QString("QWLVIEW_COM%1").arg(n)));
        RsConfigFixture::TearDown();
    }

    peers::SimDevice& deviceAt(std::initializer_list<int> ports)
    {
        portsAt(ports);
        return *devices.front();
    }

    void portsAt(std::initializer_list<int> ports)
    {
        for (int n = 1; n <= 8; ++n)
            qputenv(qPrintable(QString("QWLVIEW_COM%1").arg(n)),
                    QByteArray("/nonexistent/qwlview-test-tty"));
        for (int n : ports) {
            devices.push_back(std::make_unique<peers::SimDevice>());
            peers::SimDevice& d = *devices.back();
            EXPECT_TRUE(d.ok());
            d.start();
            qputenv(qPrintable(QString("QWLVIEW_COM%1").arg(n)), QByteArray(d.ptyPath().c_str()));
        }
    }

    // Shows the window, connects on COM1 and reads the configuration.
    void connectAndRead()
    {
        CurrentStation.PortNumber = 1;
        w->show();
        w->bbtContinue->click();
    }

    std::vector<std::string> requested(peers::SimDevice::Request::Kind kind, peers::SimDevice& d)
    {
        std::vector<std::string> keys;
        for (const auto& r : d.requests())
            if (r.kind == kind)
                keys.push_back(r.key);
        return keys;
    }

    std::unique_ptr<TfrmTimezone> zone;
    std::vector<std::unique_ptr<peers::SimDevice>> devices;
};

std::vector<std::string> expectedReads(bool service, bool analog)
{
    std::vector<std::string> keys = {"info.serial"};  // the connect probe
    for (const KeyEntry& k : KeyTable()) {
        if (k.serviceOnly && !service)
            continue;
        if (k.panel == ModemPanel::Isdn && analog)
            continue;
        if (k.panel == ModemPanel::Analog && !analog)
            continue;
        keys.push_back(k.readKey);
    }
    return keys;
}

// The keys Finish writes but `unread` (by default the ISDN panel that an analog device skips).
std::vector<std::string> expectedWrites(bool service, const std::vector<std::string>& unread = {"ppp.protokoll", "ppp.msn"})
{
    std::vector<std::string> keys;
    for (const char* key : WriteOrder())
        if ((service || !FindKey(key)->serviceOnly) && std::find(unread.begin(), unread.end(), key) == unread.end())
            keys.push_back(key);
    return keys;
}

}  // namespace

TEST_F(RsConfigDevice, PortScanListsThePortsThatOpen)
{
    deviceAt({1, 3, 5});
    CurrentStation.PortNumber = 4;
    w->show();
    ASSERT_EQ(w->cbxPorts->count(), 3);
    EXPECT_EQ(w->cbxPorts->itemText(0), "COM 1");
    EXPECT_EQ(w->cbxPorts->itemText(1), "COM 3");
    EXPECT_EQ(w->cbxPorts->itemText(2), "COM 5");
    EXPECT_EQ(w->cbxPorts->currentIndex(), 0);
    EXPECT_EQ(CurrentStation.PortNumber, 1);
    EXPECT_EQ(w->PortList[3], 0);
    w->hide();

    // A port that is found stays selected; choosing another takes its number.
    CurrentStation.PortNumber = 5;
    w->show();
    EXPECT_EQ(w->cbxPorts->currentIndex(), 2);
    w->cbxPorts->setCurrentIndex(1);
    Q_EMIT w->cbxPorts->activated(1);
    EXPECT_EQ(CurrentStation.PortNumber, 3);
    w->hide();

    // With the project tool running only the first two are tried.
    ProjectToolRunning = true;
    w->show();
    ASSERT_EQ(w->cbxPorts->count(), 1);
    EXPECT_EQ(w->cbxPorts->itemText(0), "COM 1");
}

TEST_F(RsConfigDevice, NoPortLeavesTheListEmptyAndThePortNumber)
{
    portsAt({});
    CurrentStation.PortNumber = 6;
    w->show();
    EXPECT_EQ(w->cbxPorts->count(), 0);
    EXPECT_EQ(w->cbxPorts->currentIndex(), -1);
    EXPECT_EQ(CurrentStation.PortNumber, 6);
    EXPECT_EQ(w->PortList[0], 0);
}

TEST_F(RsConfigDevice, FullReadFillsEveryControl)
{
    peers::SimDevice& d = deviceAt({1});
    connectAndRead();
    ASSERT_FALSE(w->PageControl->isHidden());
    EXPECT_TRUE(w->pnlCOM->isHidden());
    EXPECT_EQ(w->bbtContinue->text(), "Finish");
    EXPECT_EQ(w->lblInfo->text(), "Set configuration:");
    EXPECT_EQ(w->lblAction->text(), "Ok");
    EXPECT_EQ(w->lblStatus->text(), "Online with " + QString::fromStdString(d.key("info.serial")));
    EXPECT_EQ(requested(peers::SimDevice::Request::Query, d), expectedReads(false, true));
    EXPECT_FALSE(w->Modified);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    for (const KeyEntry& k : KeyTable()) {
        if (k.serviceOnly || k.conversion == Conversion::ModemType || k.panel == ModemPanel::Isdn)
            continue;
        const QString stored = QString::fromStdString(d.key(k.readKey));
        EXPECT_EQ(k.writeKey ? w->ControlValue(k) : stored, stored) << k.readKey;
    }
    EXPECT_EQ(w->edSerial->text(), QString::fromStdString(d.key("info.serial")));
    EXPECT_TRUE(w->edTimeServ1->text().isEmpty());  // service keys are not read
    EXPECT_TRUE(w->edSWChecksum->text().isEmpty());
    EXPECT_FALSE(w->pnlAnalog->isHidden());
    EXPECT_TRUE(w->pnlISDN->isHidden());
    EXPECT_EQ(w->edTimezoneStr->text().left(11), "(UTC+01:00)");
    // The rules after the read: DHCP off, modem active, fixed dial times.
    EXPECT_TRUE(w->edIPAddress->isEnabled());
    EXPECT_TRUE(w->edTelProv->isEnabled());
    EXPECT_TRUE(w->edWahlZt1->isEnabled());
}

TEST_F(RsConfigDevice, ServiceModeReadsTheServiceKeysAndIsdnPanel)
{
    ServiceMode = true;
    peers::SimDevice& d = deviceAt({1});
    d.setKey("ppp.modem", "isdn");
    d.setKey("ppp.protokoll", "x");
    d.setKey("ip.dhcp", "1");
    connectAndRead();
    ASSERT_FALSE(w->PageControl->isHidden());
    EXPECT_EQ(requested(peers::SimDevice::Request::Query, d), expectedReads(true, false));
    EXPECT_EQ(w->edTimeServ1->text(), QString::fromStdString(d.key("time.server1")));
    EXPECT_EQ(w->edUpdtDir->text(), QString::fromStdString(d.key("update.dir")));
    EXPECT_EQ(w->edSWChecksum->text(), QString::fromStdString(d.key("info.crc")));
    EXPECT_FALSE(w->pnlISDN->isHidden());
    EXPECT_EQ(w->cbxProtokoll->currentIndex(), -1);  // no item is "x": not known
    EXPECT_FALSE(w->edIPAddress->isEnabled());
}

TEST_F(RsConfigDevice, WriteSendsEveryKeyInItsOrderThenReload)
{
    peers::SimDevice& d = deviceAt({1});
    connectAndRead();
    ASSERT_FALSE(w->PageControl->isHidden());
    w->edServer->setText("ftp.other.org");
    w->edContrast->setText("120");
    w->cbxProtokoll->setCurrentIndex(0);
    Q_EMIT w->cbxProtokoll->activated(0);  // the operator's choice on the panel not read
    w->chbLight->setChecked(false);
    w->rgpLanguage->SetItemIndex(1);
    d.clearRecord();
    w->bbtContinue->click();
    EXPECT_TRUE(pumpUntil([&] { return d.commands().size() == 1; }, 5000));
    EXPECT_EQ(requested(peers::SimDevice::Request::Write, d), expectedWrites(false, {"ppp.msn"}));
    EXPECT_EQ(d.commands(), std::vector<std::string>{"reload"});
    EXPECT_EQ(d.key("ftpclient.host"), "ftp.other.org");
    EXPECT_EQ(d.key("display.contrast"), "120");
    EXPECT_EQ(d.key("ppp.protokoll"), "1");
    EXPECT_EQ(d.key("display.led"), "0");
    EXPECT_EQ(d.key("display.language"), "1");
    EXPECT_EQ(d.key("ppp.usetime"), "1");
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->Modified);
    EXPECT_TRUE(DialogScript::shown().empty());
}

TEST_F(RsConfigDevice, ServiceModeWriteEndsWithReboot)
{
    ServiceMode = true;
    peers::SimDevice& d = deviceAt({1});
    connectAndRead();
    ASSERT_FALSE(w->PageControl->isHidden());
    w->edUpdtHost->setText("update.other.org");
    d.clearRecord();
    w->bbtContinue->click();
    EXPECT_TRUE(pumpUntil([&] { return d.commands().size() == 1; }, 5000));
    EXPECT_EQ(requested(peers::SimDevice::Request::Write, d), expectedWrites(true));
    EXPECT_EQ(d.commands(), std::vector<std::string>{"reboot"});
    EXPECT_EQ(d.key("update.host"), "update.other.org");
}

TEST_F(RsConfigDevice, DeviceThatFallsSilentMidReadEndsTheReadQuietly)
{
    peers::SimDevice& d = deviceAt({1});
    peers::SimDevice::Script s;
    s.silentAfter = 10;
    d.setScript(s);
    connectAndRead();
    ASSERT_EQ(DialogScript::shown().size(), 1u);
    EXPECT_EQ(DialogScript::shown()[0].text, "Timeout RS232 communication! Abort!");
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(d.requests().size(), 11u);  // nothing more after the time-out

    // Usable again: the next showing starts on the port page and reads.
    d.setScript(peers::SimDevice::Script());
    DialogScript::clearShown();
    connectAndRead();
    EXPECT_FALSE(w->PageControl->isHidden());
    EXPECT_TRUE(DialogScript::shown().empty());
}

TEST_F(RsConfigDevice, ZoneOffsetThatIsNoNumberStopsTheRead)
{
    peers::SimDevice& d = deviceAt({1});
    d.setKey("time.offset", "abc");
    connectAndRead();
    ASSERT_EQ(DialogScript::shown().size(), 1u);
    EXPECT_EQ(DialogScript::shown()[0].text, "'abc' is not a valid integer value");
    EXPECT_TRUE(w->PageControl->isHidden());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    const auto reads = requested(peers::SimDevice::Request::Query, d);
    EXPECT_EQ(reads.back(), "time.offset");
}

TEST_F(RsConfigDevice, DateTimeAndTestCommands)
{
    peers::SimDevice& d = deviceAt({1});
    connectAndRead();
    ASSERT_FALSE(w->PageControl->isHidden());
    d.clearRecord();
    w->dtpDate->setDate(QDate(2024, 3, 1));
    w->dtpTime->setTime(QTime(12, 30, 15));
    w->bbtSetTime->click();
    EXPECT_TRUE(pumpUntil([&] { return d.commands().size() == 1; }, 5000));
    const int32_t west = MainFormHvtk ? MainFormHvtk->SavedTimezone : platform::ReadPcZone().secondsWest;
    // 1 March 2024 is no summer time, so only the PC's zone shifts it.
    EXPECT_EQ(d.commands()[0], "DATE " + std::to_string(1709296215LL + west));

    w->bbtTest->click();
    EXPECT_TRUE(pumpUntil([&] { return d.commands().size() == 2; }, 5000));
    EXPECT_EQ(d.commands()[1], "test");
    ASSERT_EQ(DialogScript::shown().size(), 1u);
    EXPECT_EQ(DialogScript::shown()[0].text,
              "Test connection with the internet is started.\nThe result is shown on the display.");
}

// A second Continue, and a query of its own, during the read start nothing: Finish writes
// back every value read as the device held it. Escape during the read leaves as the exit
// button does, asks nothing and leaves no request behind to time out.
TEST_F(RsConfigDevice, OnlyTheExitReachesAReadThatWaits)
{
    peers::SimDevice& d = deviceAt({1});
    peers::SimDevice::Script slow;
    slow.replyDelayMs = 15;
    d.setScript(slow);
    CurrentStation.PortNumber = 1;
    w->show();
    QString nested = "-";
    DuringWait again([&] { return d.requests().size() > 3; }, [&] {
        QTest::mouseClick(w->bbtContinue, Qt::LeftButton);
        nested = w->QueryValue("station.region");
    });
    QTest::mouseClick(w->bbtContinue, Qt::LeftButton);
    const std::vector<std::string> reads = expectedReads(false, true);
    EXPECT_TRUE(again.ran && nested.isEmpty());
    EXPECT_EQ(requested(peers::SimDevice::Request::Query, d), reads);
    w->bbtContinue->click();
    ASSERT_TRUE(pumpUntil([&] { return d.commands().size() == 1; }, 5000));
    for (const auto& [key, held] : peers::SimDeviceDefaultKeys())
        EXPECT_TRUE(d.key(key) == held || std::count(reads.begin(), reads.end(), key) == 0) << key;

    w->show();  // Escape, once the read's own changes have marked the window modified
    DuringWait leave([&] { return w->Modified; }, [&] { QTest::keyClick(w.get(), Qt::Key_Escape); });
    QTest::mouseClick(w->bbtContinue, Qt::LeftButton);
    EXPECT_TRUE(leave.ran && !w->isVisible() && !w->IOTimer->isActive());
    EXPECT_TRUE(DialogScript::shown().empty());
}

// The rest of the press that read the device, a double-click's second press 150 ms later or
// Enter held down, finds the button become Finish: it writes nothing and the window waits with
// the values read, in both languages. A deliberate press after the interval writes.
TEST_F(RsConfigDevice, TheRestOfThePressThatReadWritesNothing)
{
    peers::SimDevice& d = deviceAt({1});
    CurrentStation.PortNumber = 1;
    const int interval = QApplication::doubleClickInterval();
    QApplication::setDoubleClickInterval(60000);  // the test's own pace never counts as deliberate
    for (const bool held : {false, true}) {
        SetLanguage(held ? 0 : 1);
        w->show();
        if (held)
            QTest::keyPress(w.get(), Qt::Key_Return);
        else
            QTest::mouseClick(w->bbtContinue, Qt::LeftButton);
        for (int i = 0; i < 3; ++i) {
            QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r", true);
            if (held)
                QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : w.get(), &repeat);
            else if (i == 0)
                QTest::mouseClick(w->bbtContinue, Qt::LeftButton, {}, QPoint(), 150);
        }
        pumpFor(100);
        EXPECT_EQ(d.requests().size(), expectedReads(false, true).size()) << held;  // no write, no reload
        EXPECT_TRUE(w->isVisible() && !w->PageControl->isHidden()) << held;
        EXPECT_EQ(w->bbtContinue->text(), held ? "Fertigstellen" : "Finish");
        w->done(2);
        d.clearRecord();
    }
    w->show();
    QTest::mouseClick(w->bbtContinue, Qt::LeftButton);
    QApplication::setDoubleClickInterval(1);
    pumpFor(10);
    QTest::mouseClick(w->bbtContinue, Qt::LeftButton);
    EXPECT_TRUE(pumpUntil([&] { return d.commands() == std::vector<std::string>{"reload"}; }, 5000));
    QApplication::setDoubleClickInterval(interval);
}

// Keys refused, unmatched or on the other modem panel are written only once changed; nothing of the last device stays.
TEST_F(RsConfigDevice, KeysNotGivenAreWrittenOnlyWhenChanged)
{
    peers::SimDevice& d = deviceAt({1});
    connectAndRead();  // an analog device first
    w->bbtExit->click();
    d.setKey("ppp.modem", "ISDN"), d.setKey("ip.dhcp", "7");
    d.setScript({.refusedKeys = {"ftpclient.password", "ppp.password", "web.sec_password0", "ftp.password0"}});
    connectAndRead();
    for (QWidget* c : std::initializer_list<QWidget*>{w->edPassword, w->edPassProv, w->cbxDHCP, w->edAmt})
        EXPECT_EQ(c->toolTip(), TxtValueNotGiven) << c->objectName().toStdString();
    EXPECT_TRUE(w->cbxDHCP->currentIndex() == -1 && w->edAmt->text().isEmpty());  // nothing of the first device
    w->edPassword->setText("new");
    Q_EMIT w->edPassword->textEdited("new");
    d.setScript({}), d.clearRecord();
    w->bbtContinue->click();
    EXPECT_TRUE(pumpUntil([&] { return d.commands().size() == 1; }, 5000));
    EXPECT_EQ(requested(peers::SimDevice::Request::Write, d),
              expectedWrites(false, {"ppp.usepulse", "ppp.amt", "ip.dhcp", "ppp.password", "web.sec_password0", "ftp.password0"}));
    EXPECT_EQ(d.key("ftpclient.password"), "new");
    EXPECT_EQ(d.key("ip.dhcp"), "7");
}

// A frame sent on its own right after an answer answers nothing: every key stays as it was.
TEST_F(RsConfigDevice, AStrayFrameAnswersNothing)
{
    peers::SimDevice& d = deviceAt({1});
    d.setScript({.strayAfterKey = "web.sec_user0", .strayFrame = "ip.gateway=10.9.9.9"});
    connectAndRead();
    w->bbtContinue->click();
    EXPECT_TRUE(pumpUntil([&] { return d.commands().size() == 1; }, 5000));
    for (const auto& [key, value] : peers::SimDeviceDefaultKeys())
        EXPECT_EQ(d.key(key), value) << key;
    EXPECT_TRUE(DialogScript::shown().empty());
}

// The cable pulled after ten writes: the time-out box, then which keys reached the device.
TEST_F(RsConfigDevice, AWriteCutShortNamesTheKeysWritten)
{
    peers::SimDevice& d = deviceAt({1});
    connectAndRead();
    w->IOTimer->setInterval(1000);
    d.setScript({.silentAfter = 10});
    w->bbtContinue->click();
    QStringList keys[2];
    for (const std::string& k : expectedWrites(false))
        keys[keys[0].size() == 10] << QString::fromStdString(k);
    ASSERT_EQ(DialogScript::shown().size(), 2u);
    EXPECT_EQ(DialogScript::shown()[0].text, MsgRs232Timeout);
    EXPECT_EQ(DialogScript::shown()[1].text, WriteStoppedText(keys[0], keys[1]));
    EXPECT_TRUE(d.commands().empty());
}

// A port whose device talks while the scan closes it hides no later port and does not open
// again by itself; a port another program holds is refused with the reason.
TEST_F(RsConfigDevice, ScanPastAChattyPortAndRefuseAHeldOne)
{
    portsAt({1, 2, 3});
    devices[0]->sendRaw("\x02info.serial=1\x03");
    w->ApdComPort->OnPortOpen = [&](QObject*) {  // COM1 closes while the notice of its data runs
        for (int i = 0; i < 400 && w->ApdComPort->ComNumber() == 1 && !w->ApdComPort->Dispatcher()->NotifyBusy; ++i)
            QThread::msleep(5);
    };
    w->show();
    w->ApdComPort->OnPortOpen = nullptr;
    ASSERT_EQ(w->cbxPorts->count(), 3);
    pumpFor(100);
    EXPECT_FALSE(w->ApdComPort->Open());

    const peers::PortHolderProcess other(devices[0]->ptyPath());
    EXPECT_FALSE(w->ConnectDevice());
    ASSERT_EQ(DialogScript::shown().size(), 1u);
    EXPECT_EQ(DialogScript::shown()[0].text, MsgPortOpenFailed + "\nie_Hardware - Specified comport in use: sleep (pid "
                                                 + QString::number(other.pid()) + ")");
}
