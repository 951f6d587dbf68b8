#include <QLabel>
#include <QPushButton>

#include "app/windows/tfrmstatedit.h"

void ApplyTextsStatEdit(int lang)
{
    TfrmStatEdit* f = frmStatEdit;
    if (!f)
        return;
    const bool de = lang == 0;
    auto u = [](const char* s) { return QString::fromUtf8(s); };
    auto set = [&](auto* w, const char* g, const char* e) { w->setText(u(de ? g : e)); };
    f->setWindowTitle(u(de ? "Stationsdaten bearbeiten:" : "Edit Station data:"));
    set(f->lblNum, "Station:", "Station:");
    set(f->lblRegion, "Region:", "Region:");
    set(f->lblName, "Name:", "Name:");
    set(f->lblTimeZone, "Zeitzone:", "Time Zone:");
    set(f->bbtTimezone, "Einstellen", "setting");
    set(f->bbtOk, "Ok", "Ok");
    set(f->bbtCancel, "Abbrechen", "Cancel");
    set(f->bbtLanguage, "Sprache wählen", "Select Language");
    set(f->lblOclock1, "Uhr", "o'clock");
    set(f->lblOclock2, "Uhr", "o'clock");
    set(f->lblOclock3, "Uhr", "o'clock");
    set(f->lblWorkdays, "Werktags:", "Workdays:");
    set(f->lblSundays, "Sonntags:", "Sunndays:");
    set(f->lblNightRegion, "Nacht:", "Night:");
    set(f->lblDayRegion1, "Vormittag:", "Forenoon:");
    set(f->lblDayRegion2, "Nachmittag:", "Afternoon:");
    set(f->lblEnterRegion, "Definition der Tages- und Nachtbereiche.", "Definition of day and night regions.");
}
