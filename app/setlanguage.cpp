#include "app/setlanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/mainformhvtk.h"
#include "app/texts/tfrmselsprache.h"
#include "app/windows/tfrmdirselect.h"
#include "app/windows/tfrmexceltransfer.h"
#include "app/windows/tfrmimport.h"
#include "app/windows/tfrminfo.h"
#include "app/windows/tfrmlogview.h"
#include "app/windows/tfrmnumview.h"
#include "app/windows/tfrmstatedit.h"
#include "app/windows/tfrmstation.h"
#include "app/windows/tfrmstatistik.h"
#include "app/windows/tfrmstatname.h"
#include "app/windows/tfrmtimezone.h"
#include "data/runtimetexts.h"
#include "device/tfrmconnect.h"
#include "device/tfrmftptransfer.h"
#include "device/tfrmrsconfig.h"

namespace {
// Qt's own texts (standard buttons, print and file dialogs) in German from Debian's
// translations; English needs none.
void ApplyQtTranslations(int language)
{
    static QTranslator* german = nullptr;
    if (!QCoreApplication::instance() || (german && language == 0))
        return;
    if (german) {
        QCoreApplication::removeTranslator(german);
        delete german;
        german = nullptr;
    }
    if (language != 0)
        return;
    auto* t = new QTranslator;
    if (t->load(QLocale(QLocale::German), QStringLiteral("qt"), QStringLiteral("_"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(t))
        german = t;
    else
        delete t;
}
}  // namespace

bool SetLanguage(int language)
{
    if (language != 0 && language != 1)
        return false;
    ApplyTextGlobals(language);
    ApplyQtTranslations(language);
    ApplyTextsMainMenu(language);
    ApplyTextsMain(language);  // holiday rule, application title, then the texts built from it
    ApplyTextsRSConfig(language);
    ApplyTextsFtpTransfer(language);
    ApplyTextsExcelTransfer(language);
    ApplyTextsConnect(language);
    ApplyTextsDirSelect(language);
    ApplyTextsStatName(language);
    ApplyTextsLogView(language);
    ApplyTextsInfo(language);
    ApplyTextsNumView(language);
    ApplyTextsTimezone(language);
    ApplyTextsStation(language);
    ApplyTextsStatEdit(language);
    ApplyTextsStatistik(language);
    ApplyTextsImport(language);
    ApplyTextsSelSprache(language);
    return true;
}
