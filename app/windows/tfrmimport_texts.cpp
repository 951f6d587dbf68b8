#include <QPushButton>

#include "app/windows/tfrmimport.h"
#include "app/texts/sprachen.h"

using texts::u;

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
