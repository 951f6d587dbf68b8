#include "app/texts/sprachen.h"

#include "data/stationsettings.h"

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
