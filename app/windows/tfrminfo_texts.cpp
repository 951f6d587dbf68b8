#include <QLabel>
#include <QPushButton>

#include "app/texts/sprachen.h"
#include "app/windows/tfrminfo.h"

using texts::u;

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
