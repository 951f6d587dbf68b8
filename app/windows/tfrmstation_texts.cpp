#include "platform/gui/dialogs.h"
#include <QLabel>
#include <QPushButton>

#include "app/windows/tfrmstation.h"
#include "platform/gui/tstringgrid.h"

void ApplyTextsStation(int lang)
{
    TfrmStation* f = frmStation;
    if (!f)
        return;
    const bool de = lang == 0;
    auto u = [](const char* s) { return QString::fromUtf8(s); };
    f->setWindowTitle(de ? platform::AppTitle() + u(" - Stationsdaten") : u("Station data"));
    const char* const headDe[5] = {"Region", "Station", "Namen", "IP Address", "Zeitzone"};
    const char* const headEn[5] = {"Region", "Station", "Name", "IP Address", "Time Zone"};
    for (int c = 0; c < 5; ++c)
        f->stgList->SetCells(c, 0, u(de ? headDe[c] : headEn[c]));
    f->bbtExit->setText(u("Ok"));
    f->lblStation->setText(u(de ? "Zum auswählen Station anklicken" : "Click on station name to select"));
    f->bbtNew->setText(u(de ? "Neu anlegen" : "New station"));
    f->bbtEdit->setText(u(de ? "Bearbeiten" : "Edit station data"));
    f->bbtDelete->setText(u(de ? "Löschen" : "Delete"));
}
