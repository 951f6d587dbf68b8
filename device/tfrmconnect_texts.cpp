#include <QLabel>
#include <QPushButton>

#include "platform/gui/tstringgrid.h"
#include "device/tfrmconnect.h"

void ApplyTextsConnect(int lang)
{
    TfrmConnect* f = frmConnect;
    if (!f)
        return;
    const bool de = lang == 0;
    auto u = [](const char* s) { return QString::fromUtf8(s); };
    f->setWindowTitle(u(de ? "QWL-Gerätemanager" : "Device manager"));
    f->lblNetFound->setText(u(de ? "Im Netzwerk gefunden:" : "Found in Network:"));
    f->sgrDevices->setAccessibleName(f->lblNetFound->text());
    f->lblScanning->setText(u(de ? "Suchen..." : "Scanning..."));
    f->lblNoNetwork->setText(u(de ? "Kein Netzwerk erreichbar" : "No network reachable"));
    const char* const header[2][5] = {{"Name", "Region", "Station", "IP-Adresse", "Netzmaske"},
                                      {"Name", "Region", "Station", "IP Address", "NetMask"}};
    for (int c = 0; c < 5; ++c)
        f->sgrDevices->SetCells(c, 0, u(header[de ? 0 : 1][c]));
    f->bbtQuit->setText(u(de ? "Abbrechen" : "Quit"));
    f->bbtOK->setText(u("OK"));
}
