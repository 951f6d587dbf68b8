// Reading and writing the device's configuration through the RS-232 requests.
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
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
    WriteAllSettings();
    if (isVisible())  // not left during the write
        done(1);
}

bool TfrmRSConfig::ReadAllSettings()
{
    lblAction->setText(TxtReading);
    platform::WaitCursor wait;
    const QScopedValueRollback reading(m_reading, true);
    const ModemPanel none = ModemPanel::None;
    for (const KeyEntry& k : KeyTable()) {
        if (k.serviceOnly && !ServiceMode)
            continue;
        if (k.panel != none && k.panel != (m_readPanel == ModemPanel::Analog ? ModemPanel::Analog : ModemPanel::Isdn))
            continue;
        const QString value = QueryValue(QString::fromLatin1(k.readKey));
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
        if (k.after == AfterRead::DhcpRule) {
            cbxDHCPChange();
        } else if (k.after == AfterRead::ModemAndDialRules) {
            cbxModemChange();
            cbxWahlArtChange();
        }
    }
    Modified = false;
    PageControl->setEnabled(true);
    lblAction->setText(TxtOk);
    return true;
}

void TfrmRSConfig::WriteAllSettings()
{
    lblAction->setText(TxtWriting);
    {
        platform::WaitCursor wait;
        for (const char* key : WriteOrder()) {
            const KeyEntry* k = FindKey(QString::fromLatin1(key));
            if (!k || (k->serviceOnly && !ServiceMode))
                continue;
            // A failed write has shown its message; the others are written all the same.
            WriteValue(QString::fromLatin1(key), ControlValue(*k));
        }
        SendCommand(ClosingCommand(ServiceMode));
    }
    lblAction->setText(TxtOk);
    Modified = false;
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
