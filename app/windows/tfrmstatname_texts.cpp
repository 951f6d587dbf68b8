#include <QPushButton>

#include "app/windows/tfrmstatname.h"

namespace {
QString u(const char* s)
{
    return QString::fromUtf8(s);
}
}  // namespace

void ApplyTextsStatName(int lang)
{
    TfrmStatName* f = frmStatName;
    if (!f)
        return;
    f->setWindowTitle(u(lang == 0 ? "Namen eingeben" : "Enter name"));
    f->bbtOk->setText(u("OK"));
}
