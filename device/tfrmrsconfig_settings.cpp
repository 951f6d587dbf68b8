// Reading and writing the device's configuration through the RS-232 requests.
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QTimeEdit>

#include "data/econverterror.h"
#include "data/runtimetexts.h"
#include "data/tdatetime.h"
#include "data/timerules.h"
#include "device/programstate.h"
#include "device/tfrmrsconfig.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/exceptionguard.h"
#include "platform/gui/pressgate.h"
#include "platform/gui/tradiogroup.h"
#include "platform/gui/waitcursor.h"

using namespace rsconfig;

// ScanPorts, PrepareRequests and ClosePortOnExit: tfrmrsconfig_protocol.cpp

void TfrmRSConfig::cbxPortsChange()
{
    const int i = cbxPorts->currentIndex();
    if (i < 0 || i >= 8 || PortList[i] == 0)
        return;
    CurrentStation.PortNumber = PortList[i];
    ClosePortOnExit();
}

void TfrmRSConfig::bbtContinueClick()
{
    if (PageControl->isHidden()) {
        if (!ConnectDevice())
            return;
        // Left during the read: the window is gone.
        if (!ReadAllSettings() || !isVisible())
            return;
        ProgressBar->setValue(0);
        pnlCOM->hide();
        PageControl->show();
        PageControl->setCurrentIndex(0);
        bbtContinue->setText(TxtFinish);
        m_finishGate->MeaningChanged();
        lblInfo->setText(TxtSetConfiguration);
        return;
    }
    ProgressBar->setValue(0);
    const bool complete = WriteAllSettings();
    if (isVisible())  // not left during the write
        done(complete ? 1 : 2);
}

bool TfrmRSConfig::ReadAllSettings()
{
    lblAction->setText(TxtReading);
    platform::WaitCursor wait;
    const QScopedValueRollback reading(m_reading, true);
    // Nothing of an earlier device may stay in a control and be written into this one.
    ResetControls();
    const ModemPanel none = ModemPanel::None;
    for (const KeyEntry& k : KeyTable()) {
        if (k.serviceOnly && !ServiceMode)
            continue;
        if (k.panel != none && k.panel != (m_readPanel == ModemPanel::Analog ? ModemPanel::Analog : ModemPanel::Isdn))
            continue;
        const QString value = QueryValue(QString::fromLatin1(k.readKey));
        const bool given = m_replyHasValue && !ReplyError && CurrentRequestState() == rs232::RequestState::Answered;
        if (k.conversion == Conversion::ZoneOffset) {
            try {
                StrToInt(value);
            } catch (const EConvertError& e) {
                // After a time-out the read just ends; the window has been closed already.
                if (CurrentRequestState() != rs232::RequestState::TimedOut)
                    platform::ShowException(e.Message());
                return false;
            }
        }
        ApplyValue(k, value);
        // Known only when the control holds the device's value as it came; a default stood
        // in for it would be written back as if the device had said so.
        if (k.conversion != Conversion::ModemType) {
            if (given && ControlValue(k) == value)
                m_keys.SetRead(k);
            else
                ResetControl(k);
        }
        if (k.after == AfterRead::DhcpRule) {
            cbxDHCPChange();
        } else if (k.after == AfterRead::ModemAndDialRules) {
            cbxModemChange();
            cbxWahlArtChange();
        }
    }
    ShowUnreadKeys();
    Modified = false;
    PageControl->setEnabled(true);
    lblAction->setText(TxtOk);
    return true;
}

bool TfrmRSConfig::WriteAllSettings()
{
    lblAction->setText(TxtWriting);
    QStringList written;
    QStringList notWritten;
    bool stopped = false;
    {
        platform::WaitCursor wait;
        for (const char* key : WriteOrder()) {
            const KeyEntry* k = FindKey(QString::fromLatin1(key));
            if (!k || (k->serviceOnly && !ServiceMode) || !m_keys.ShouldWrite(*k))
                continue;
            const QString name = QString::fromLatin1(key);
            if (stopped) {
                notWritten << name;
                continue;
            }
            bool ok = false;
            try {
                // A failed write has shown its message; the others are written all the same.
                ok = WriteValue(name, ControlValue(*k));
            } catch (const std::exception&) {
                ClosePort();  // the port is lost: nothing more reaches the device
                stopped = true;
            }
            if (CurrentRequestState() == rs232::RequestState::TimedOut)
                stopped = true;
            (ok ? written : notWritten) << name;
        }
        if (!stopped)
            SendCommand(ClosingCommand(ServiceMode));
    }
    if (stopped) {
        lblAction->clear();
        if (!platform::Closing())
            platform::ShowMessage(WriteStoppedText(written, notWritten));
        return false;
    }
    lblAction->setText(TxtOk);
    Modified = false;
    return true;
}

// ---- What the read learnt of each key ----

QList<QWidget*> TfrmRSConfig::ControlsOf(const KeyEntry& key) const
{
    if (key.conversion == Conversion::ZoneOffset)
        return {edTimezone, edTimezoneStr};
    if (key.conversion == Conversion::Contrast)
        return {tbContrast, edContrast};
    if (auto* c = key.control[0] ? findChild<QWidget*>(QLatin1String(key.control)) : nullptr)
        return {c};
    return {};
}

void TfrmRSConfig::ResetControls()
{
    m_keys.Reset();
    m_readPanel = ModemPanel::None;
    for (const KeyEntry& k : KeyTable())
        ResetControl(k);
    pnlISDN->hide();
    pnlAnalog->show();
    lblModemNotInstalled->hide();
    cbxModem->show();
    cbxModem->setEnabled(true);
}

void TfrmRSConfig::ResetControl(const KeyEntry& key)
{
    switch (key.conversion) {
    case Conversion::Text:
        if (auto* e = qobject_cast<QLineEdit*>(ControlsOf(key).value(0)))
            e->clear();
        break;
    case Conversion::ZoneOffset:
        edTimezone->clear();
        edTimezoneStr->clear();
        edDaylight->clear();
        break;
    case Conversion::Index:
    case Conversion::Protokoll:
        if (auto* c = qobject_cast<QComboBox*>(ControlsOf(key).value(0)))
            c->setCurrentIndex(-1);
        else if (auto* r = qobject_cast<TRadioGroup*>(ControlsOf(key).value(0)))
            r->SetItemIndex(-1);
        break;
    case Conversion::Contrast: {
        // The pair would fill each other in; an empty edit says that the value is unknown.
        const QSignalBlocker bar(tbContrast);
        const QSignalBlocker edit(edContrast);
        tbContrast->setValue(tbContrast->minimum());
        edContrast->clear();
        break;
    }
    case Conversion::Led:
        chbLight->setTristate(true);
        chbLight->setCheckState(Qt::PartiallyChecked);
        break;
    case Conversion::ModemType: break;
    }
}

void TfrmRSConfig::ShowUnreadKeys()
{
    for (const KeyEntry& k : KeyTable()) {
        if (k.conversion == Conversion::ModemType)
            continue;
        const bool unknown = !m_keys.WasRead(k) && !m_keys.Changed(k);
        for (QWidget* c : ControlsOf(k))
            c->setToolTip(unknown ? TxtValueNotGiven : QString());
    }
}

void TfrmRSConfig::OperatorChanged(const KeyEntry& key)
{
    if (m_reading)
        return;
    m_keys.MarkChanged(key);
    if (key.conversion == Conversion::Led)
        chbLight->setTristate(false);
    for (QWidget* c : ControlsOf(key))
        c->setToolTip(QString());
}

void TfrmRSConfig::ConnectOperatorChanges()
{
    // Only what the operator does: the signals that code-side changes do not raise.
    for (const KeyEntry& k : KeyTable()) {
        if (!k.writeKey)
            continue;
        auto mark = [this, key = &k] { OperatorChanged(*key); };
        for (QWidget* c : ControlsOf(k)) {
            if (auto* e = qobject_cast<QLineEdit*>(c))
                connect(e, &QLineEdit::textEdited, this, mark);
            else if (auto* b = qobject_cast<QComboBox*>(c))
                connect(b, &QComboBox::activated, this, mark);
            else if (auto* r = qobject_cast<TRadioGroup*>(c))
                connect(r, &TRadioGroup::clicked, this, mark);
            else if (auto* x = qobject_cast<QCheckBox*>(c))
                connect(x, &QCheckBox::clicked, this, mark);
            else if (auto* s = qobject_cast<QSlider*>(c))
                connect(s, &QSlider::actionTriggered, this, mark);
        }
    }
}

void TfrmRSConfig::bbtTestClick()
{
    if (ConnectDevice() && SendCommand("test"))
        platform::ShowMessage(MsgInternetTestStarted);
}

void TfrmRSConfig::bbtSetTimeClick()
{
    const QDate d = dtpDate->date();
    const QTime t = dtpTime->time();
    const platform::PcZone pc = ProgramState().SavedPcZone();
    const uint32_t unix = DateTimeToUnix(EncodeDate(d.year(), d.month(), d.day()),
                                         EncodeTime(t.hour(), t.minute(), t.second(), 0), pc.secondsWest, pc.daylight);
    SendCommand("DATE " + QString::number(unix));
}
