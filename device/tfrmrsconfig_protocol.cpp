// The RS-232 request protocol of the device configuration window: a query, a write or a
// command per request frame, one framed reply per query and write, waited for with a
// five-second limit while the user interface stays alive.
#include "device/tfrmrsconfig.h"

#include "data/runtimetexts.h"
#include "comms/core/eapdexception.h"
#include "comms/serial/tapdcomport.h"
#include "comms/packets/tapddatapacket.h"
#include "device/programstate.h"
#include "device/rs232frames.h"
#include "device/rsconfigreadstate.h"
#include "device/ttagtimer.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/eventwait.h"
#include "platform/gui/waitcursor.h"

#include <QLabel>
#include <QProgressBar>

namespace {

constexpr int IOTimeoutMs = 5000;

}  // namespace

using rs232::RequestState;

void TfrmRSConfig::SetRequestState(RequestState state) { IOTimer->Tag = int(state); }

RequestState TfrmRSConfig::CurrentRequestState() const { return RequestState(IOTimer->Tag); }

void TfrmRSConfig::CreateProtocolComponents()
{
    // Built as a stored form is: properties first, then each component's Loaded.
    ApdComPort = new TApdComPort(this);
    ApdComPort->setObjectName(QStringLiteral("ApdComPort"));
    ApdComPort->SetLoading(true);
    ApdComPort->SetComNumber(1);  // always replaced by the station's port before opening
    ApdComPort->SetAutoOpen(false);
    ApdComPort->SetBaud(19200);
    ApdComPort->SetDataBits(8);
    ApdComPort->SetParity(pNone);
    ApdComPort->SetStopBits(1);
    ApdComPort->SetDTR(true);
    ApdComPort->SetRTS(true);
    ApdComPort->SetBufferFull(3686);
    ApdComPort->SetBufferResume(409);
    ApdComPort->SetTraceHex(false);

    ApdDataPacket = new TApdDataPacket(this);
    ApdDataPacket->setObjectName(QStringLiteral("ApdDataPacket"));
    ApdDataPacket->SetLoading(true);
    ApdDataPacket->SetComPort(ApdComPort);
    ApdDataPacket->SetStartCond(scString);
    ApdDataPacket->SetStartString(QByteArray(1, rs232::Stx));
    ApdDataPacket->SetEndCond({ecString});
    ApdDataPacket->SetEndString(QByteArray(1, rs232::Etx));
    ApdDataPacket->SetIncludeStrings(false);
    ApdDataPacket->OnStringPacket = [this](QObject* Sender, const QString& Data) {
        ApdDataPacketStringPacket(Sender, Data);
    };
    ApdDataPacket->SetEnabled(true);  // starts matching when the port opens
    ApdComPort->SetLoading(false);
    ApdDataPacket->SetLoading(false);
    ApdComPort->Loaded();
    ApdDataPacket->Loaded();

    IOTimer = new TTagTimer(this);
    IOTimer->setObjectName(QStringLiteral("IOTimer"));
    IOTimer->setInterval(IOTimeoutMs);
    IOTimer->setSingleShot(false);
    connect(IOTimer, &QTimer::timeout, this, [this] { IOTimerTimer(); });
}

void TfrmRSConfig::ApdDataPacketStringPacket(QObject*, const QString& Data)
{
    // A reply that comes after the time-out has no request left to answer.
    if (CurrentRequestState() == RequestState::TimedOut)
        return;
    // A frame for another key, or one that no request waits for, answers nothing: taken as
    // the answer it would put one key's value under another's name.
    if (!IOTimer->isActive() || (!m_lineFraming && !rsconfig::ReplyAnswers(Data, m_pendingKey))) {
        if (ApdComPort->Open() && ApdComPort->Logging() == tlOn)
            ApdComPort->AddStringToLog("RS-232 frame dropped, not the answer to '" + m_pendingKey.toLatin1()
                                       + "': " + Data.toLatin1());
        return;
    }
    const rs232::Reply reply = rs232::ParseReply(Data);
    ReplyError = reply.error;
    if (reply.hasValue)
        ReplyText = reply.value;
    m_replyHasValue = reply.hasValue;
    SetRequestState(RequestState::Answered);
}

void TfrmRSConfig::IOTimerTimer()
{
    SetRequestState(RequestState::TimedOut);
    IOTimer->stop();
    ClosePort();
    platform::ShowMessage(MsgRs232Timeout);
    close();
}

void TfrmRSConfig::WaitForReply()
{
    // IOTimer ends the wait at the time-out (its handler sets the state).
    platform::WaitUntil([this] { return !ReplyText.isEmpty() || CurrentRequestState() != RequestState::Waiting; });
}

void TfrmRSConfig::Send(const QByteArray& Frame)
{
    try {
        ApdComPort->PutString(Frame);
    } catch (...) {
        IOTimer->stop();  // no request waits for a frame that was not sent
        throw;
    }
}

bool TfrmRSConfig::RequestRefused()
{
    return IOTimer->isActive() || platform::Waiting() || platform::Closing();
}

QString TfrmRSConfig::QueryValue(const QString& Key)
{
    m_replyHasValue = false;
    if (CurrentRequestState() == RequestState::TimedOut)
        return ReplyText;
    // Started inside another request's wait it would take that request's reply.
    if (RequestRefused())
        return QString();
    if (ProgressBar)
        ProgressBar->setValue(ProgressBar->value() + 1);
    SetRequestState(RequestState::Waiting);
    IOTimer->start();
    ReplyText.clear();
    ReplyError = false;  // each request stands on its own reply
    m_pendingKey = Key;
    Send(rs232::QueryFrame(Key));
    WaitForReply();
    IOTimer->stop();
    if (ReplyError) {
        platform::ShowMessage(QStringLiteral("'") + Key + QStringLiteral("':") + MsgRs232ValueNotWritten);
        return QString();
    }
    return ReplyText;
}

bool TfrmRSConfig::WriteValue(const QString& Key, const QString& Value)
{
    if (CurrentRequestState() == RequestState::TimedOut)
        return true;
    if (ProgressBar)
        ProgressBar->setValue(ProgressBar->value() + 1);
    if (Key.isEmpty() || RequestRefused())
        return false;
    SetRequestState(RequestState::Waiting);
    IOTimer->start();
    ReplyText.clear();
    ReplyError = false;
    m_replyHasValue = false;
    m_pendingKey = Key;
    Send(rs232::SetFrame(Key, Value));
    WaitForReply();
    IOTimer->stop();
    // Left by the operator or timed out: the write sequence tells which keys were written.
    if (CurrentRequestState() == RequestState::TimedOut)
        return false;
    if (!ReplyError && m_replyHasValue && ReplyText == Value)
        return true;
    platform::ShowMessage(QStringLiteral("'") + Key + QStringLiteral("':") + MsgRs232ValueNotWritten);
    return false;
}

bool TfrmRSConfig::SendCommand(const QString& Command)
{
    if (CurrentRequestState() == RequestState::TimedOut)
        return true;
    if (Command.isEmpty() || RequestRefused())
        return false;
    Send(rs232::CommandFrame(Command));
    return true;
}

bool TfrmRSConfig::ConnectDevice()
{
    return ConnectDeviceOnPort(CurrentStation.PortNumber);
}

bool TfrmRSConfig::ConnectDeviceOnPort(int Port)
{
    if (ApdComPort->Open())
        return true;
    if (RequestRefused())
        return false;
    if (lblStatus)
        lblStatus->setText(TxtConnecting);
    platform::WaitCursor busy;
    bool opened = false;
    QString inUse;  // the library's "in use" text, with the program that holds the port
    try {
        ApdComPort->SetComNumber(uint16_t(Port));
        ApdComPort->SetOpen(true);
        // A close that waited for a running notice opens the port again once it has finished;
        // a request sent before that would be dropped unsent.
        if (!ApdComPort->Open())
            platform::WaitUntil([this] { return ApdComPort->Open() || ApdComPort->PortState() != psShuttingDown; }, IOTimeoutMs);
        opened = ApdComPort->Open();
    } catch (const EHardware& e) {
        inUse = e.Message;
    } catch (const std::exception&) {
        // told below, as every port that does not open
    }
    if (!opened) {
        platform::ShowMessage(inUse.isEmpty() ? MsgPortOpenFailed : MsgPortOpenFailed + "\n" + inUse);
        if (lblStatus)
            lblStatus->setText(TxtNotConnected);
        busy.Restore();
        return false;
    }
    ReplyError = false;
    SetRequestState(RequestState::Waiting);
    const QString serial = QueryValue(QStringLiteral("info.serial"));
    busy.Restore();
    if (ProgressBar)
        ProgressBar->setValue(0);
    if (ReplyError || CurrentRequestState() == RequestState::TimedOut) {
        ClosePort();
        if (lblStatus)
            lblStatus->setText(TxtNotConnected);
        return false;
    }
    if (lblStatus)
        lblStatus->setText(TxtConnectedTo + serial);
    return true;
}

void TfrmRSConfig::ClosePort()
{
    if (ApdComPort && ApdComPort->Open())
        ApdComPort->SetOpen(false);
}

void TfrmRSConfig::SetPacketFraming(bool LineMode)
{
    ClosePort();
    ApdDataPacket->SetEnabled(false);
    m_lineFraming = LineMode;
    if (LineMode) {
        ApdDataPacket->SetStartString(QByteArray(1, '\n'));
        ApdDataPacket->SetEndString(QByteArray(1, '\r'));
    } else {
        ApdDataPacket->SetStartCond(scString);
        ApdDataPacket->SetStartString(QByteArray(1, rs232::Stx));
        ApdDataPacket->SetEndString(QByteArray(1, rs232::Etx));
    }
    ApdDataPacket->SetEnabled(true);
}

// ---- Port scan and request state of the window ----

int TfrmRSConfig::ScanPorts(int last)
{
    int found = 0;
    for (int32_t& p : PortList)
        p = 0;
    for (int n = 1; n <= last && n <= 8; ++n) {
        ApdComPort->SetComNumber(uint16_t(n));
        try {
            ApdComPort->SetOpen(true);
        } catch (const std::exception&) {
            // not present: the next one
        }
        if (ApdComPort->Open())
            PortList[found++] = n;
        ApdComPort->SetOpen(false);
        // A port closed while a notice of its data runs finishes closing later; the next
        // port waits for it, or it would be taken for absent and this one open again.
        if (ApdComPort->PortState() == psShuttingDown)
            platform::WaitUntil([this] { return ApdComPort->PortState() == psClosed; }, IOTimeoutMs);
    }
    PortList[found] = 0;
    return found;
}

void TfrmRSConfig::PrepareRequests()
{
    ApdComPort->SetComNumber(uint16_t(CurrentStation.PortNumber));
    ApdDataPacket->SetEnabled(true);
    IOTimer->stop();
    SetRequestState(RequestState::Waiting);
}

void TfrmRSConfig::EndWaitingRequest()
{
    // Quietly, and the rest of its sequence with it: no time-out may report on a window
    // that is gone.
    if (!IOTimer->isActive())
        return;
    IOTimer->stop();
    SetRequestState(RequestState::TimedOut);
}

void TfrmRSConfig::ClosePortOnExit()
{
    ClosePort();
    ApdComPort->SetComNumber(uint16_t(CurrentStation.PortNumber));
}
