#include "app/texts/sprachen.h"

#include "app/data/stationsettings.h"
#include "app/texts/texts_windows.h"

QString MsgRs232Timeout;
QString MsgRs232ValueNotWritten;
QString MsgPortOpenFailed;
QString MsgFileReadError;
QString MsgFileOpenError;
QString MsgFtpError;
QString MsgFtpLoginFailed;
QString MsgFtpTimeout;
QString MsgTransferClosed;
QString MsgTransferRetry;
QString MsgHourRangesOverlap;
QString MsgInvalidIpAddress;
QString MsgInvalidTime;
QString MsgDirectoryExists;
QString MsgFileWriteProtected;
QString MsgFileNotFound;
QString MsgInvalidStationNumber;
QString MsgStationNotUnique;
QString MsgStationNameMissing;
QString MsgNoStationForDevice;
QString MsgRegionStationUnknown;
QString TxtConnectedTo;
QString TxtNotConnected;
QString TxtConnecting;
QString TxtReading;
QString TxtWriting;
QString TxtOk;
QString TxtCopyTo;
QString TxtCopied;
QString TxtExisting;
QString TxtValuesIn;
QString TxtTransferDone;
QString TxtExportDone;
QString TxtFilesNotTransferred;
QString TxtNoDataAtTime;
QString TxtNoDataOnDate;
QString MsgDiscardChanges;
QString MsgInternetTestStarted;
QString MsgTextNotFound;
QString TxtFilesFound;
QString TxtFilesCopied;
QString TxtTransferring;
QString TxtLines;
QString TxtFinish;
QString TxtContinue;
QString TxtSelectPort;
QString TxtSetConfiguration;
QString TxtDbA;
QString TxtTime;
QString FmtLeq3;
QString MsgStoreOverwrite;
QString MsgStoreConfirm;

QString WeekdayNames[8];
QString MonthNames[13];

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
    ApplyTextsNumView(language);
    ApplyTextsTimezone(language);
    ApplyTextsStation(language);
    ApplyTextsStatEdit(language);
    ApplyTextsSelSprache(language);
    return true;
}
