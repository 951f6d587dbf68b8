#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include "app/windows/tfrmtimezone.h"

void ApplyTextsTimezone(int lang)
{
    TfrmTimezone* f = frmTimezone;
    if (!f)
        return;
    const bool de = lang == 0;
    auto u = [](const char* s) { return QString::fromUtf8(s); };
    f->setWindowTitle(u(de ? "Zeitzone" : "Time Zone"));
    f->bbtCancel->setText(u(de ? "Abbrechen" : "Abort"));
    f->bbtOk->setText(u(de ? "Übernehmen" : "Ok"));
    f->bbtDefault->setText(u(de ? "Systemeinstellungen des PC übernehemen" : "Use System configuration from PC"));
    f->cbxDaylight->setText(u(de ? "Europäische Sommerzeit berücksichtigen" : "Use european daylight saving time"));
    // Same entries in both languages; refilling leaves none selected.
    f->cobZones->clear();
    f->cobZones->addItems(TfrmTimezone::ZoneEntries());
    f->cobZones->setCurrentIndex(-1);
}
