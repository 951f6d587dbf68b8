#include <QApplication>
#include <clocale>

#include "app/mainformhvtk.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("QWLView"));
    MainFormHvtk = new TMainFormHvtk;
    MainFormHvtk->show();
    const int rc = app.exec();
    delete MainFormHvtk;
    return rc;
}
