#include <QTableWidget>

#include "app/windows/tfrmnumview.h"

void ApplyTextsNumView(int lang)
{
    if (!frmNumView)
        return;
    const bool de = lang == 0;
    frmNumView->setWindowTitle(de ? QStringLiteral("Numerische Anzeige") : QStringLiteral("Numerical representation"));
    frmNumView->ListView->setHorizontalHeaderLabels(
        {de ? QStringLiteral("Zeit") : QStringLiteral("Time"), QStringLiteral("db(A)")});
    frmNumView->FitToRows();
}
