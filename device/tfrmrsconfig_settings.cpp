// Reading and writing the device's configuration through the RS-232 requests.
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

#include "app/data/numbertext.h"
#include "app/data/stationsettings.h"
#include "app/mainformhvtk.h"
#include "app/texts/sprachen.h"
#include "device/tfrmrsconfig.h"
#include "platform/dialogs.h"

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

void TfrmRSConfig::bbtContinueClick() {}
void TfrmRSConfig::bbtTestClick() {}
void TfrmRSConfig::bbtSetTimeClick() {}
bool TfrmRSConfig::ReadAllSettings() { return false; }
void TfrmRSConfig::WriteAllSettings() {}
