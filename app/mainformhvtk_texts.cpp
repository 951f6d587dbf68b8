#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimeEdit>
#include <QToolButton>

#include "data/stationsettings.h"
#include "app/mainformhvtk.h"
#include "app/texts/sprachen.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/tradiogroup.h"

using texts::u;

namespace {
void setText(QAction* a, const char* de, const char* en, int lang)
{
    if (a) a->setText(u(lang == 0 ? de : en));
}
void setTitle(QMenu* m, const char* de, const char* en, int lang)
{
    if (m) m->setTitle(u(lang == 0 ? de : en));
}
template <class W>
void setHint(W* w, const char* de, const char* en, int lang)
{
    if (w) w->setToolTip(u(lang == 0 ? de : en));
}
template <class W>
void setCaption(W* w, const char* de, const char* en, int lang)
{
    if (w) w->setText(u(lang == 0 ? de : en));
}
}  // namespace

void ApplyTextsMainMenu(int lang)
{
    TMainFormHvtk* f = MainFormHvtk;
    if (!f)
        return;
    setTitle(f->mnuData, "&Messdaten", "&Measuring", lang);
    setText(f->mnuDatDownLoad, "Messdaten &sichern ...", "&Save measurings ...", lang);
    setText(f->mnuDrucken, "&Drucken ...", "&Print ...", lang);
    setText(f->mnuExport, "E&XCEL Export ...", "E&XCEL export ...", lang);
    setText(f->mnuBeenden, "Programm be&enden", "&End programme", lang);
    setTitle(f->mnuEinstell, "&Einstellungen", "&Settings", lang);
    setText(f->mnuInitialDir, "Basisverzeichnis", "Root directory", lang);
    setText(f->mnuStationsdaten, "Stationsdaten", "Station data", lang);
    setText(f->mnuSelSprache, "Sprache", "Language", lang);
    setTitle(f->mnuSystem, "S&ystem", "S&ystem", lang);
    setText(f->mnuFTPConfig, "Konfiguration über &http ...", "&Http configuration ...", lang);
    setText(f->mnuRSConfig, "Konfiguration über &RS232...", "&RS232 configuration ...", lang);
    setText(f->mnuSysUpdate, "Systemdateien &laden ...", "Load &system data ...", lang);
    setText(f->mnuLogView, "Log-Datei &ansehen ...", "&View log files ...", lang);
    setText(f->mnuImport, "Alte Messdaten importieren ...", "Import old measuring data ...", lang);
    setTitle(f->mnuHelp, "&Hilfe", "&Help", lang);
    setText(f->mnuInfo, "&Info ...", "&Info ...", lang);
    setText(f->mnuHandbook, "&Handbuch öffnen", "&Open user guide", lang);
    if (f->mnuDrucken)
        f->mnuDrucken->setShortcut(QKeySequence(lang == 0 ? Qt::CTRL | Qt::Key_D : Qt::CTRL | Qt::Key_P));
    if (f->mnuExport)
        f->mnuExport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    if (f->mnuBeenden)
        f->mnuBeenden->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
}

void ApplyTextsMain(int lang)
{
    const bool de = lang == 0;
    if (MainFormHvtk)
        MainFormHvtk->HolidayAsSunday = de;
    // Kept as our own title, not Qt's display name, which every window title would end with.
    platform::DialogCaptions captions;
    captions.application = ApplicationTitle(lang);
    if (de) {
        captions.warning = QStringLiteral("Warnung");
        captions.error = QStringLiteral("Fehler");
        captions.information = QStringLiteral("Information");
        captions.confirmation = u("Bestätigen");
    }
    platform::SetDialogCaptions(captions);
    TMainFormHvtk* f = MainFormHvtk;
    if (!f)
        return;
    f->setWindowTitle(u(de ? "Lärmmessung" : "Noise measuring"));
    if (f->lblHeader && CurrentStation.Organisation.isEmpty())
        f->lblHeader->setText(de ? platform::AppTitle() : u("Noisewart"));

    setCaption(f->lblZoomNav, "Zeit-Navigation", "Time navigation", lang);
    setCaption(f->lblClick, "Bereich anklicken", "Click area", lang);
    setCaption(f->lblDatNav, "Datums-Navigation", "Date navigation", lang);
    setHint(f->spbDatumVor, "1 Tag vor", "1 day ahead", lang);
    setHint(f->spbDatumZurck, "1 Tag zurück", "1 day back", lang);
    setHint(f->spbZoomHrVor, "1 Stunde vor", "1 hour ahead", lang);
    setHint(f->spbZoomHrZurck, "1 Stunde zurück", "1 hour back", lang);
    setHint(f->spbZoomMinVor, "10 Minuten vor", "10 minutes ahead", lang);
    setHint(f->spbZoomMinZurck, "10 Minuten zurück", "10 minutes back", lang);
    setHint(f->spbZoomAus, "Zurück zur Ganztagansicht", "Back to all day view", lang);
    setHint(f->TimePicker, "Uhrzeit wählen", "Select time to view", lang);
    setHint(f->DatePicker, "Datum wählen", "Select date to view", lang);
    setCaption(f->spbStatistik, "Verfügbarkeit", "Availability", lang);
    setCaption(f->bbtAbort, "Abbrechen", "Abort", lang);
    setCaption(f->cbxAverage, "&Leq3 Durchschnittskurve", "Leq3 Average Curve", lang);
    setCaption(f->cbxNumView, "&Numerische Anzeige", "Numerical representation", lang);
    if (f->rdgOnline) {
        f->rdgOnline->setTitle(u(de ? "Darstellung der Messwerte" : "Representation of meas. values"));
        f->rdgOnline->SetItem(0, u(de ? "vom PC" : "from PC"));
        f->rdgOnline->SetItem(1, u(de ? "vom Messgerät" : "from device"));
    }
    if (f->lblDevice)
        f->ShowSourceLine();
    f->FitButtonRow();
    if (f->SaveDialog) {
        // The description is what the dialog shows; the pattern follows in parentheses.
        f->SaveDialog->setNameFilter(u(de ? "CSV (Trennzeichen getrennt) (*.csv)" : "CSV (Delimiter seperated) (*.csv)"));
    }
}
