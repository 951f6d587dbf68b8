#include <QPushButton>

#include "app/texts/tfrmselsprache.h"
#include "platform/gui/tradiogroup.h"

void ApplyTextsSelSprache(int lang)
{
    TfrmSelSprache* f = frmSelSprache;
    if (!f)
        return;
    const bool de = lang == 0;
    auto u = [](const char* s) { return QString::fromUtf8(s); };
    f->setWindowTitle(u(de ? "Sprache wählen" : "Select Language"));
    f->rdgSprachen->SetItems(de ? QStringList{u("Deutsch"), u("Englisch (Großbritannien)")}
                                : QStringList{u("German"), u("English (Great Britain)")});
    f->bbtQuit->setText(u(de ? "Abbrechen" : "Quit"));
    f->bbtOk->setText(u(de ? "Übernehmen" : "Ok"));
}
