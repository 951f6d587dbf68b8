#include <QLabel>
#include <QPushButton>

#include "app/windows/tfrmlogview.h"

void ApplyTextsLogView(int lang)
{
    TfrmLogView* f = frmLogView;
    if (!f)
        return;
    const bool de = lang == 0;
    auto u = [](const char* s) { return QString::fromUtf8(s); };
    f->setWindowTitle(u(de ? "Log-Dateien laden und ansehen" : "View log files"));
    f->bbtLoad->setText(u(de ? "Log-Dateien laden" : "Load log files"));
    f->bbtStation->setText(u(de ? "Station wählen" : "Select station "));
    f->bbtExit->setText(u(de ? "Ende" : "Exit"));
    f->bbtAbort->setText(u(de ? "Abbrechen" : "Abort"));
    f->lblSearch->setText(u(de ? "Suchen nach:" : "Search for:"));
    f->bbtSearch->setText(u(de ? "Suchen" : "Search"));
}
