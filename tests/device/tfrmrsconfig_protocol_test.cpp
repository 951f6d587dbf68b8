// The RS-232 request protocol against the simulated device on a pseudo-terminal.
#include "data/runtimetexts.h"
#include "data/stationsettings.h"
#include "app/setlanguage.h"
#include "comms/serial/tapdcomport.h"
#include "comms/packets/tapddatapacket.h"
#include "common/pump.h"
#include "device/rsconfigfixture.h"
#include "device/tfrmrsconfig.h"
#include "device/ttagtimer.h"
#include "peers/simdevice.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

using platform::DialogScript;

const std::string ESC = "\x1b";
const std::string CR = "\r";
constexpr int kPort = 7;
constexpr int kRequestTimeoutMs = 1000;

class Rs232Protocol : public RsConfigFixture {
protected:
    void SetUp() override
    {
        RsConfigFixture::SetUp();
        ASSERT_TRUE(dev.ok());
        dev.start();
        ::setenv("QWLVIEW_COM7", dev.ptyPath().c_str(), 1);
        CurrentStation.PortNumber = kPort;
        openWindow();
        // The tests need not wait the real five seconds; a second leaves room for a loaded machine.
        w->IOTimer->setInterval(kRequestTimeoutMs);
    }
    void TearDown() override
    {
        if (w)
            w->ClosePort();
        RsConfigFixture::TearDown();
        ::unsetenv("QWLVIEW_COM7");
        dev.stop();
    }

    void connect()
    {
        ASSERT_TRUE(w->ConnectDevice());
        dev.clearRecord();
        DialogScript::clearShown();
    }
    std::vector<QString> shownTexts() const
    {
        std::vector<QString> out;
        for (const auto& d : DialogScript::shown())
            out.push_back(d.text);
        return out;
    }
    QString notWritten(const QString& key) const { return "'" + key + "':" + MsgRs232ValueNotWritten; }

    peers::SimDevice dev;
};

TEST_F(Rs232Protocol, ConnectProbesTheSerialNumber)
{
    ASSERT_TRUE(w->ConnectDevice());
    EXPECT_TRUE(w->ApdComPort->Open());
    EXPECT_EQ(w->ApdComPort->ComNumber(), kPort);
    EXPECT_EQ(dev.received(), ESC + "info.serial?" + CR);
    EXPECT_EQ(w->lblStatus->text(), TxtConnectedTo + "QW000815");
    EXPECT_EQ(w->ProgressBar->value(), 0);
    EXPECT_TRUE(DialogScript::shown().empty());
    // Connected already: nothing more is sent.
    EXPECT_TRUE(w->ConnectDevice());
    EXPECT_EQ(dev.requests().size(), 1u);
}

TEST_F(Rs232Protocol, LineSettingsOfThePort)
{
    EXPECT_EQ(w->ApdComPort->Baud(), 19200);
    EXPECT_EQ(w->ApdComPort->DataBits(), 8);
    EXPECT_EQ(w->ApdComPort->StopBits(), 1);
    EXPECT_EQ(w->ApdComPort->Parity(), pNone);
    EXPECT_TRUE(w->ApdComPort->DTR());
    EXPECT_TRUE(w->ApdComPort->RTS());
    EXPECT_FALSE(w->ApdComPort->AutoOpen());
    EXPECT_EQ(w->ApdComPort->BufferFull(), 3686);
    EXPECT_EQ(w->ApdComPort->BufferResume(), 409);
    EXPECT_EQ(w->ApdDataPacket->StartString(), QByteArray("\x02"));
    EXPECT_EQ(w->ApdDataPacket->EndString(), QByteArray("\x03"));
    EXPECT_FALSE(w->ApdDataPacket->IncludeStrings());
    EXPECT_TRUE(w->ApdDataPacket->Enabled());
    EXPECT_EQ(w->IOTimer->Tag, 0);
}

TEST_F(Rs232Protocol, QueryWriteAndCommandsOnTheWire)
{
    connect();
    w->ProgressBar->setRange(0, 100);
    w->ProgressBar->setValue(0);
    EXPECT_EQ(w->QueryValue("station.region"), "012");
    EXPECT_TRUE(w->WriteValue("station.region", "034"));
    EXPECT_EQ(dev.key("station.region"), "034");
    EXPECT_EQ(w->QueryValue("station.region"), "034");
    EXPECT_TRUE(w->WriteValue("ip.dns2", ""));
    EXPECT_EQ(w->ProgressBar->value(), 4);
    EXPECT_TRUE(w->SendCommand("reboot"));
    EXPECT_TRUE(w->SendCommand("reload"));
    EXPECT_TRUE(w->SendCommand("test"));
    EXPECT_TRUE(w->SendCommand("DATE 1700000000"));
    EXPECT_EQ(w->ProgressBar->value(), 4) << "commands do not move the bar";
    EXPECT_FALSE(w->SendCommand(""));
    EXPECT_FALSE(w->WriteValue("", "x"));
    ASSERT_TRUE(dev.waitForRequests(8));
    EXPECT_EQ(dev.received(),
        ESC + "station.region?" + CR + ESC + "station.region=034" + CR + ESC + "station.region?" + CR
            + ESC + "ip.dns2=" + CR + ESC + "cmd=reboot" + CR + ESC + "cmd=reload" + CR + ESC
            + "cmd=test" + CR + ESC + "cmd=DATE 1700000000" + CR);
    EXPECT_EQ(dev.commands(), (std::vector<std::string> {"reboot", "reload", "test", "DATE 1700000000"}));
    EXPECT_TRUE(DialogScript::shown().empty());
}

TEST_F(Rs232Protocol, WriteCountsOnlyAnExactEcho)
{
    connect();
    peers::SimDevice::Script s;
    s.echoUpperCase = true;
    dev.setScript(s);
    EXPECT_FALSE(w->WriteValue("ftpclient.user", "kqv"));
    s = {};
    s.echoOverride = "other";
    dev.setScript(s);
    EXPECT_FALSE(w->WriteValue("ftpclient.dir", "upload"));
    EXPECT_EQ(shownTexts(), (std::vector<QString> {notWritten("ftpclient.user"), notWritten("ftpclient.dir")}));
}

TEST_F(Rs232Protocol, ErrorRepliesAndRepliesWithoutValue)
{
    connect();
    peers::SimDevice::Script s;
    s.errorReply = true;
    dev.setScript(s);
    EXPECT_EQ(w->QueryValue("station.station"), "");
    EXPECT_FALSE(w->WriteValue("station.station", "5"));
    EXPECT_EQ(shownTexts(), (std::vector<QString> {notWritten("station.station"), notWritten("station.station")}));

    // An error is not sticky: the next good reply counts.
    dev.setScript({});
    DialogScript::clearShown();
    EXPECT_EQ(w->QueryValue("info.hw"), "HW 2.1");
    EXPECT_FALSE(w->ReplyError);

    // A reply without '=' leaves the value empty and ends the wait.
    s = {};
    s.errorReply = true;
    s.errorText = "novalue";
    dev.setScript(s);
    EXPECT_EQ(w->QueryValue("info.hw"), "");
    EXPECT_EQ(w->IOTimer->Tag, 1);
    EXPECT_TRUE(DialogScript::shown().empty());
}

TEST_F(Rs232Protocol, NoiseSplitRepliesAndLongValues)
{
    connect();
    peers::SimDevice::Script s;
    s.noiseBeforeStx = "garbage\x03=x";
    s.noiseAfterEtx = "trail";
    dev.setScript(s);
    EXPECT_EQ(w->QueryValue("info.sw"), "SW 4.06");
    s = {};
    s.splitBytes = true;
    s.splitPauseMs = 2;
    dev.setScript(s);
    EXPECT_EQ(w->QueryValue("info.serial"), "QW000815");
    EXPECT_TRUE(w->WriteValue("ppp.user", "a=b"));
    dev.setScript({});
    dev.setKey("ftpclient.host", std::string(120, 'h'));
    EXPECT_EQ(w->QueryValue("ftpclient.host"), QString(99, 'h'));
    EXPECT_TRUE(DialogScript::shown().empty());
}

TEST_F(Rs232Protocol, SilentDeviceTimesOutOnceAndTheSequenceRunsOut)
{
    w->show();  // scans the ports and starts afresh
    connect();
    peers::SimDevice::Script s;
    s.silent = true;
    dev.setScript(s);
    EXPECT_EQ(w->QueryValue("station.station"), "");
    EXPECT_EQ(w->IOTimer->Tag, 99);
    EXPECT_FALSE(w->IOTimer->isActive());
    EXPECT_FALSE(w->ApdComPort->Open());
    EXPECT_FALSE(w->isVisible()) << "the window closes";
    EXPECT_EQ(shownTexts(), std::vector<QString> {MsgRs232Timeout});

    // The rest of the sequence returns at once, sends nothing and shows nothing.
    dev.setScript({});
    const size_t sent = dev.received().size();
    EXPECT_EQ(w->QueryValue("station.region"), "");
    EXPECT_TRUE(w->WriteValue("station.region", "1"));
    EXPECT_TRUE(w->SendCommand("reload"));
    pumpFor(50);
    EXPECT_EQ(dev.received().size(), sent);
    EXPECT_EQ(shownTexts().size(), 1u);

    // Showing the window again starts afresh.
    w->show();
    EXPECT_EQ(w->IOTimer->Tag, 0);
    connect();
    EXPECT_EQ(w->QueryValue("station.region"), "012");
}

TEST_F(Rs232Protocol, WriteTimingOutShowsOnlyTheTimeout)
{
    connect();
    peers::SimDevice::Script s;
    s.silent = true;
    dev.setScript(s);
    EXPECT_FALSE(w->WriteValue("station.region", "9"));
    EXPECT_EQ(shownTexts(), (std::vector<QString>{MsgRs232Timeout}));
}

TEST_F(Rs232Protocol, ProbeWithoutAnswerOrWithErrorFails)
{
    peers::SimDevice::Script s;
    s.silent = true;
    dev.setScript(s);
    EXPECT_FALSE(w->ConnectDevice());
    EXPECT_FALSE(w->ApdComPort->Open());
    EXPECT_EQ(w->lblStatus->text(), TxtNotConnected);

    // The next connect starts afresh.
    s = {};
    s.errorReply = true;
    dev.setScript(s);
    DialogScript::clearShown();
    EXPECT_FALSE(w->ConnectDevice());
    EXPECT_FALSE(w->ApdComPort->Open());
    EXPECT_EQ(w->lblStatus->text(), TxtNotConnected);
    EXPECT_EQ(shownTexts(), std::vector<QString> {notWritten("info.serial")});

    dev.setScript({});
    EXPECT_TRUE(w->ConnectDevice());
}

TEST_F(Rs232Protocol, ConnectRightAfterACloseThatWaitsForANotice)
{
    connect();
    // Closed inside a notice of the port, the close finishes only after it; the connect asked
    // right after must wait for that instead of sending into the closing port.
    // Owned by the handler, not this body's stack: the handler stays set and may run again
    // while TearDown's close waits for a notice.
    const auto state = std::make_shared<int>(-1);
    const auto connected = std::make_shared<bool>(false);
    w->ApdComPort->SetOnTriggerAvail([this, state, connected](TApdCustomComPort*, uint16_t) {
        if (*state >= 0)
            return;
        w->ClosePort();
        *state = int(w->ApdComPort->PortState());
        QTimer::singleShot(0, w.get(), [this, connected] {
            dev.clearRecord();
            *connected = w->ConnectDevice();
        });
    });
    dev.sendRaw("noise");
    ASSERT_TRUE(pumpUntil([&] { return *connected || !shownTexts().empty(); }, 10000));
    EXPECT_EQ(*state, int(psShuttingDown));
    EXPECT_TRUE(*connected);
    EXPECT_EQ(dev.received(), ESC + "info.serial?" + CR);
    EXPECT_TRUE(shownTexts().empty());
}

TEST_F(Rs232Protocol, PortThatCannotOpen)
{
    ::setenv("QWLVIEW_COM7", "/nonexistent/tty-of-no-device", 1);
    EXPECT_FALSE(w->ConnectDevice());
    EXPECT_EQ(w->lblStatus->text(), TxtNotConnected);
    EXPECT_EQ(shownTexts(), std::vector<QString> {MsgPortOpenFailed});
    EXPECT_TRUE(dev.received().empty());
}

TEST_F(Rs232Protocol, ReplyRacingTheTimeoutDoesNoHarm)
{
    size_t answers = 0;
    dev.clearRecord();
    for (int delay : {kRequestTimeoutMs - 20, kRequestTimeoutMs, kRequestTimeoutMs + 20}) {
        SCOPED_TRACE(delay);
        answers += 2;  // the connect's probe and the query
        w->IOTimer->Tag = 0;
        ASSERT_TRUE(w->ConnectDevice());
        peers::SimDevice::Script s;
        s.replyDelayMs = delay;
        dev.setScript(s);
        const QString v = w->QueryValue("info.hw");
        EXPECT_TRUE(v.isEmpty() || v == "HW 2.1");
        if (w->IOTimer->Tag == 99) {
            EXPECT_FALSE(w->ApdComPort->Open());
        }
        pumpFor(80);  // a late reply lands on a closed port or is ignored
        ASSERT_TRUE(dev.waitForAnswersAndDiscardUnread(answers));
        EXPECT_TRUE(w->IOTimer->Tag == 99 || w->IOTimer->Tag == 1);
        w->ClosePort();
        dev.setScript({});
    }
    // The port opens again cleanly.
    w->IOTimer->Tag = 0;
    EXPECT_TRUE(w->ConnectDevice());
}

TEST_F(Rs232Protocol, LineFraming)
{
    w->SetPacketFraming(true);
    EXPECT_EQ(w->ApdDataPacket->StartString(), QByteArray("\n"));
    EXPECT_EQ(w->ApdDataPacket->EndString(), QByteArray("\r"));
    EXPECT_TRUE(w->ApdDataPacket->Enabled());
    peers::SimDevice::Script s;
    s.silent = true;
    dev.setScript(s);
    QTimer::singleShot(30, [&] { dev.sendRaw("\x02ignored=1\x03\nlevel=55.3\r"); });
    ASSERT_TRUE(w->ConnectDeviceOnPort(kPort));
    EXPECT_EQ(w->lblStatus->text(), TxtConnectedTo + "55.3");
    w->SetPacketFraming(false);
    EXPECT_FALSE(w->ApdComPort->Open());
    EXPECT_EQ(w->ApdDataPacket->StartString(), QByteArray("\x02"));
}

}  // namespace
