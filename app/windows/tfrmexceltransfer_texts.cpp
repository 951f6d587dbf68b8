#include <QLabel>
#include <QPushButton>

#include "app/windows/tfrmexceltransfer.h"
#include "app/texts/sprachen.h"

using texts::u;

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
