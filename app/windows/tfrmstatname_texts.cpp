#include <QPushButton>

#include "app/windows/tfrmstatname.h"
#include "app/texts/sprachen.h"

using texts::u;

void ApplyTextsStatName(int lang)
{
    TfrmStatName* f = frmStatName;
    if (!f)
        return;
    f->setWindowTitle(u(lang == 0 ? "Namen eingeben" : "Enter name"));
    f->bbtOk->setText(u("OK"));
}
