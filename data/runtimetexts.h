#pragma once
#include <QString>

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
extern QString MsgStationNameTooLong;  // our own; %1: the longest name
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
// Our own: the program started without its single-instance lock; the reason follows.
extern QString MsgInstanceLockFailed;

// Why a device file was not taken, and what failed in a transfer.
extern QString TxtNoStationInFile;
extern QString TxtClosedByDevice;
extern QString TxtBadHourName;
extern QString MsgFileOtherHour;
extern QString TxtOutsideDataFolder;
extern QString TxtBadAverageName;
extern QString TxtNotOnDevice;
extern QString TxtIncomplete;
extern QString TxtTooLarge;
extern QString MsgFileIncomplete;
extern QString MsgFileTooLarge;     // %1: the bound in bytes
extern QString MsgListingTooLong;   // %1: the bound in entries
extern QString MsgListingUnreadable;
extern QString MsgFileNotStored;
extern QString MsgLogTailShown;     // %1: the part shown, in MB
// Behind the date of the day summer time ends; %1: the hour that comes twice ("02").
extern QString FmtRepeatedHour;
extern QString MsgCutFileLeft;      // + the device path of the file
// The RS-232 set-up: a value the device did not give, and a write that stopped early.
extern QString TxtValueNotGiven;
extern QString MsgRs232WriteStopped;  // %1: the keys written, %2: those not written

// Index 1..7, 1 = Sunday (index 0 unused).
extern QString WeekdayNames[8];
// Index 1..12 (index 0 unused).
extern QString MonthNames[13];

// Fills the text globals and both name arrays for a language (0 German, 1 English).
void ApplyTextGlobals(int lang);
// Empties them, in reverse order with reverse.
void ClearTextGlobals(bool reverse);
