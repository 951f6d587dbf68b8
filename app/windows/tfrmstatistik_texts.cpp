#include <QLabel>
#include <QPushButton>

#include "app/windows/tfrmstatistik.h"
#include "app/texts/sprachen.h"

using texts::u;

void ApplyTextsStatistik(int lang)
{
    TfrmStatistik* f = frmStatistik;
    if (!f)
        return;
    const bool de = lang == 0;
    f->setWindowTitle(u(de ? "Verfügbarkeit" : "Availability"));
    f->bbtOk->setText(u("Ok"));
    f->lblNoData->setText(u(de ? "Keine Daten zu dieser Station gefunden!" : "No Data found!"));
    f->lblMoveTo->setText(u(de ? "Zum Auswählen Tag anklicken" : "Click day to select"));
    f->lblComplete->setText(u(de ? "Messdaten vorhanden" : "Data available"));
    f->lblPartial->setText(u(de ? "Messdaten teilweise vorhanden" : "Data partially available"));
}
