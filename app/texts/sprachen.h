#pragma once
#include <QString>
#include <cstdint>

// Texts that code reads at run time; empty until SetLanguage fills them.
extern QString MsgRs232Timeout;
extern QString MsgRs232ValueNotWritten;
extern QString MsgPortOpenFailed;
extern QString MsgFileReadError;
extern QString MsgFileOpenError;
extern QString MsgFtpError;
extern QString MsgFtpLoginFailed;
extern QString MsgFtpTimeout;
extern QString MsgTransferClosed;
extern QString MsgTransferRetry;
extern QString MsgHourRangesOverlap;
extern QString MsgInvalidIpAddress;
extern QString MsgInvalidTime;
extern QString MsgDirectoryExists;
extern QString MsgFileWriteProtected;
extern QString MsgFileNotFound;
extern QString MsgInvalidStationNumber;
extern QString MsgStationNotUnique;
extern QString MsgStationNameMissing;
extern QString MsgNoStationForDevice;
extern QString MsgRegionStationUnknown;
extern QString TxtConnectedTo;
extern QString TxtNotConnected;
extern QString TxtConnecting;
extern QString TxtReading;
extern QString TxtWriting;
extern QString TxtOk;
extern QString TxtCopyTo;
extern QString TxtCopied;
extern QString TxtExisting;
extern QString TxtValuesIn;
extern QString TxtTransferDone;
extern QString TxtExportDone;
extern QString TxtFilesNotTransferred;
extern QString TxtNoDataAtTime;
extern QString TxtNoDataOnDate;
extern QString MsgDiscardChanges;
extern QString MsgInternetTestStarted;
extern QString MsgTextNotFound;
extern QString TxtFilesFound;
extern QString TxtFilesCopied;
extern QString TxtTransferring;
extern QString TxtLines;
extern QString TxtFinish;
extern QString TxtContinue;
extern QString TxtSelectPort;
extern QString TxtSetConfiguration;
extern QString TxtDbA;
extern QString TxtTime;
extern QString FmtLeq3;
extern QString MsgStoreOverwrite;
extern QString MsgStoreConfirm;

// Index 1..7, 1 = Sunday (index 0 unused).
extern QString WeekdayNames[8];
// Index 1..12 (index 0 unused).
extern QString MonthNames[13];

// Makes every text global and both name arrays empty, and the texts of CurrentStation (its
// LastUpdate 0); at program start, before any window exists.
void InitLanguageTexts();
// Releases the same texts at program end.
void FreeLanguageTexts();

// The application title for a language: "Lärmwart" or "Noisewart".
QString ApplicationTitle(int language);

// Fills the text globals and the name arrays for language 0 (German) or 1 (English) and
// assigns the texts of every window that exists. Any other value changes nothing: false.
bool SetLanguage(int language);

// The program's own version (major, minor, release, build); outputs stay as set by the
// caller when no version is known.
void GetFileVersion(uint16_t& major, uint16_t& minor, uint16_t& release, uint16_t& build);
// The version as "a" (mode 1), "a.b" (mode 2, or release and build both 0) or "a.b.c".
QString FileVersionString(int mode);
// The same rule on given parts.
QString FormatFileVersion(int mode, uint16_t major, uint16_t minor, uint16_t release, uint16_t build);
