#include <QFileDialog>
#include <QLabel>
#include <QPushButton>

#include "app/texts/sprachen.h"
#include "app/texts/texts_windows.h"
#include "app/windows/tfrmdirselect.h"
#include "app/windows/tfrmexceltransfer.h"
#include "app/windows/tfrmimport.h"
#include "app/windows/tfrmstatistik.h"
#include "app/windows/tfrminfo.h"
#include "app/windows/tfrmstatname.h"

namespace {
QString u(const char* s)
{
    return QString::fromUtf8(s);
}
}  // namespace

void ApplyTextsDirSelect(int lang)
{
    TfrmDirSelect* f = frmDirSelect;
    if (!f)
        return;
    const bool de = lang == 0;
    f->setWindowTitle(u(de ? "Verzeichnis wählen" : "Select directory"));
    f->bbtQuit->setText(u(de ? "Abbrechen" : "Quit"));
    f->bbtOk->setText(u(de ? "Übernehmen" : "OK"));
    f->bbtCreate->setText(u(de ? "Neuer Ordner" : "New Folder"));
}

void ApplyTextsStatName(int lang)
{
    TfrmStatName* f = frmStatName;
    if (!f)
        return;
    f->setWindowTitle(u(lang == 0 ? "Namen eingeben" : "Enter name"));
    f->bbtOk->setText(u("OK"));
}

void ApplyTextsInfo(int lang)
{
    TfrmInfo* f = frmInfo;
    if (!f)
        return;
    f->setWindowTitle(u("Info"));
    f->bbtOk->setText(u("OK"));
    f->lblProdName->setText(ApplicationTitle(lang));
    f->lblVersion->setText(u("Version: ") + FileVersionString(3));
    f->lblWebServer->setText(TfrmInfo::WebAddress());
}

void ApplyTextsExcelTransfer(int lang)
{
    TfrmExcelTransfer* f = frmExcelTransfer;
    if (!f)
        return;
    const bool de = lang == 0;
    f->setWindowTitle(u(de ? "Excel-Konvertierung" : "Excel-export"));
    f->bbtConvert->setText(u(de ? "Konvertieren" : "Convert"));
    f->bbtQuit->setText(u(de ? "Beenden" : "Quit"));
    f->lblLoading->setText(u(de ? "Zu konvertierende Dateien:" : "Files to be converted:"));
    f->lblDateRange->setText(u(de ? "Zeitbereich angeben:" : "Enter date range:"));
    f->lblFrom->setText(u(de ? "von:" : "from:"));
    f->lblTo->setText(u(de ? "bis:" : "to:"));
    f->lblStatName->setText(u("Station:"));
    f->SetPrefixDialogTitle(u(de ? "Datei-Prefix für EXCEL-Dateien eingeben" : "Enter file prefix for excel files"));
}

void ApplyTextsImport(int lang)
{
    TfrmImport* f = frmImport;
    if (!f)
        return;
    const bool de = lang == 0;
    f->setWindowTitle(u(de ? "Messdaten Importieren" : "Import measuring data"));
    f->bbtExit->setText(u(de ? "Beenden" : "Exit"));
    f->bbtImport->setText(u(de ? "Importieren" : "Import"));
    f->bbtDestDir->setText(u(de ? "Station wechseln" : "Select station"));
}

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
