#include <QPushButton>

#include "app/windows/tfrmdirselect.h"
#include "app/texts/sprachen.h"

using texts::u;

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
