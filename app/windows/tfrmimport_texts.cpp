#include <QPushButton>

#include "app/windows/tfrmimport.h"

namespace {
QString u(const char* s)
{
    return QString::fromUtf8(s);
}
}  // namespace

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
