#include "app/texts/sprachen.h"

#include "app/data/stationsettings.h"
#include "app/texts/texts_windows.h"

QString ApplicationTitle(int language)
{
    return QString::fromUtf8(language == 0 ? "Lärmwart" : "Noisewart");
}

void InitLanguageTexts()
{
    ClearTextGlobals(false);
    TStationSettings& c = CurrentStation;
    c.IPAddress.clear();
    c.SubnetMask.clear();
    c.LoginName.clear();
    c.LoginPass.clear();
    c.InitialDir.clear();
    c.Organisation.clear();
    c.StationName.clear();
    c.LastUpdate = 0;
}

void FreeLanguageTexts() { ClearTextGlobals(true); }

bool SetLanguage(int language)
{
    if (language != 0 && language != 1)
        return false;
    ApplyTextGlobals(language);
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
