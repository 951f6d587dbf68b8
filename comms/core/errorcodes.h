#pragma once

// Error codes of the communications library, by name; every code is written by its name.
// 0 is success, negative codes are the library's errors, positive ones winsock numbers and the
// dispatch-log texts. New layers (sockets, FTP) add their codes here, in a range of their own.
// No Qt: the codes are plain ints.

// Success and file, disk and device errors.
inline constexpr int ecOK = 0;
inline constexpr int ecFileNotFound = -2;
inline constexpr int ecPathNotFound = -3;
inline constexpr int ecTooManyFiles = -4;
inline constexpr int ecAccessDenied = -5;
inline constexpr int ecInvalidHandle = -6;
inline constexpr int ecOutOfMemory = -8;
inline constexpr int ecInvalidDrive = -15;
inline constexpr int ecNoMoreFiles = -18;
inline constexpr int ecDiskRead = -100;
inline constexpr int ecDiskFull = -101;
inline constexpr int ecNotAssigned = -102;
inline constexpr int ecNotOpen = -103;
inline constexpr int ecNotOpenInput = -104;
inline constexpr int ecNotOpenOutput = -105;
inline constexpr int ecWriteProtected = -150;
inline constexpr int ecUnknownUnit = -151;
inline constexpr int ecDriveNotReady = -152;
inline constexpr int ecUnknownCommand = -153;
inline constexpr int ecCrcError = -154;
inline constexpr int ecBadStructLen = -155;
inline constexpr int ecSeekError = -156;
inline constexpr int ecUnknownMedia = -157;
inline constexpr int ecSectorNotFound = -158;
inline constexpr int ecOutOfPaper = -159;
inline constexpr int ecDeviceWrite = -160;
inline constexpr int ecDeviceRead = -161;
inline constexpr int ecHardwareFailure = -162;

// General.
inline constexpr int ecBadHandle = -1001;
inline constexpr int ecBadArgument = -1002;
inline constexpr int ecGotQuitMsg = -1003;
inline constexpr int ecBufferTooBig = -1004;
inline constexpr int ecPortNotAssigned = -1005;
inline constexpr int ecInternal = -1006;
inline constexpr int ecModemNotAssigned = -1007;
inline constexpr int ecPhonebookNotAssigned = -1008;
inline constexpr int ecCannotUseWithWinSock = -1009;
// An exception that is none of the library's (XlatException); no message of its own.
inline constexpr int ecUnknownException = -9999;

// Opening a port.
inline constexpr int ecBadId = -2001;
inline constexpr int ecBaudRate = -2002;
inline constexpr int ecByteSize = -2003;
inline constexpr int ecDefault = -2004;
inline constexpr int ecHardware = -2005;
inline constexpr int ecMemory = -2006;
inline constexpr int ecCommNotOpen = -2007;
inline constexpr int ecAlreadyOpen = -2008;
inline constexpr int ecNoHandles = -2009;
inline constexpr int ecNoTimers = -2010;
inline constexpr int ecNoPortSelected = -2011;
inline constexpr int ecNotOpenedByTapi = -2012;

// Serial input/output and the device layer.
inline constexpr int ecNullApi = -3001;
inline constexpr int ecNotSupported = -3002;
inline constexpr int ecRegisterHandlerFailed = -3003;
inline constexpr int ecPutBlockFail = -3004;
inline constexpr int ecGetBlockFail = -3005;
inline constexpr int ecOutputBufferTooSmall = -3006;
inline constexpr int ecBufferIsEmpty = -3007;
inline constexpr int ecTracingNotEnabled = -3008;
inline constexpr int ecLoggingNotEnabled = -3009;
inline constexpr int ecBaseAddressNotSet = -3010;
// A modem line that the device refused to set, named in the message.
inline constexpr int ecDtrFailed = -3011;
inline constexpr int ecRtsFailed = -3012;

// Triggers.
inline constexpr int ecNoMoreTriggers = -5001;
inline constexpr int ecTriggerTooLong = -5002;
inline constexpr int ecBadTriggerHandle = -5003;

// Data packets.
inline constexpr int ecStartStringEmpty = -5501;
inline constexpr int ecPacketTooSmall = -5502;
inline constexpr int ecNoEndCharCount = -5503;
inline constexpr int ecEmptyEndString = -5504;
inline constexpr int ecZeroSizePacket = -5505;
inline constexpr int ecPacketTooLong = -5506;

// FTP client. The connect time-out is reported as -1, as the command layer expects it.
inline constexpr int ecFtpConnectTimeout = -1;
inline constexpr int ecFtpListingTooLong = -7001;
inline constexpr int ecFtpLocalFile = -7002;
inline constexpr int ecFtpDataConnection = -7003;
inline constexpr int ecFtpBadPasvReply = -7004;
inline constexpr int ecFtpLoginIncomplete = -7005;
inline constexpr int ecFtpTransferIncomplete = -7006;

// Winsock layer.
inline constexpr int ecADWSERROR = 9001;
inline constexpr int ecADWSLOADERROR = 9002;
inline constexpr int ecADWSVERSIONERROR = 9003;
inline constexpr int ecADWSNOTINIT = 9004;
inline constexpr int ecADWSINVPORT = 9005;
inline constexpr int ecADWSCANTCHANGE = 9006;
inline constexpr int ecADWSCANTRESOLVE = 9007;
// SOCKS refusals (no texts of their own).
inline constexpr int ecSocksRequestFailed = 9008;   // SOCKS 4: 91
inline constexpr int ecSocksNoIdentd = 9009;        // SOCKS 4: 92
inline constexpr int ecSocksIdentdMismatch = 9010;  // SOCKS 4: 93
inline constexpr int ecSocksFailure = 9011;         // any other refusal
inline constexpr int ecSocks5ReplyBase = 9011;      // SOCKS 5 reply codes 1..8 give 9012..9019
inline constexpr int ecSocks5AddressIPv6 = 9020;
inline constexpr int ecSocks5AddressUnknown = 9021;

// Windows Sockets error numbers.
inline constexpr int wsaBaseErr = 10000;
inline constexpr int wsaEIntr = 10004;
inline constexpr int wsaEBadF = 10009;
inline constexpr int wsaEAcces = 10013;
inline constexpr int wsaEFault = 10014;
inline constexpr int wsaEInVal = 10022;
inline constexpr int wsaEMFile = 10024;
inline constexpr int wsaEWouldBlock = 10035;
inline constexpr int wsaEInProgress = 10036;
inline constexpr int wsaEAlReady = 10037;
inline constexpr int wsaENotSock = 10038;
inline constexpr int wsaEDestAddrReq = 10039;
inline constexpr int wsaEMsgSize = 10040;
inline constexpr int wsaEPrototype = 10041;
inline constexpr int wsaENoProtoOpt = 10042;
inline constexpr int wsaEProtoNoSupport = 10043;
inline constexpr int wsaESocktNoSupport = 10044;
inline constexpr int wsaEOpNotSupp = 10045;
inline constexpr int wsaEPfNoSupport = 10046;
inline constexpr int wsaEAfNoSupport = 10047;
inline constexpr int wsaEAddrInUse = 10048;
inline constexpr int wsaEAddrNotAvail = 10049;
inline constexpr int wsaENetDown = 10050;
inline constexpr int wsaENetUnreach = 10051;
inline constexpr int wsaENetReset = 10052;
inline constexpr int wsaEConnAborted = 10053;
inline constexpr int wsaEConnReset = 10054;
inline constexpr int wsaENoBufs = 10055;
inline constexpr int wsaEIsConn = 10056;
inline constexpr int wsaENotConn = 10057;
inline constexpr int wsaEShutDown = 10058;
inline constexpr int wsaETooManyRefs = 10059;
inline constexpr int wsaETimedOut = 10060;
inline constexpr int wsaEConnRefused = 10061;
inline constexpr int wsaELoop = 10062;
inline constexpr int wsaENameTooLong = 10063;
inline constexpr int wsaEHostDown = 10064;
inline constexpr int wsaEHostUnreach = 10065;
inline constexpr int wsaENotEmpty = 10066;
inline constexpr int wsaEProcLim = 10067;
inline constexpr int wsaEUsers = 10068;
inline constexpr int wsaEDQuot = 10069;
inline constexpr int wsaEStale = 10070;
inline constexpr int wsaERemote = 10071;
inline constexpr int wsaSysNotReady = 10091;
inline constexpr int wsaVerNotSupported = 10092;
inline constexpr int wsaNotInitialised = 10093;
inline constexpr int wsaEDiscOn = 10101;
inline constexpr int wsaHost_Not_Found = 11001;
inline constexpr int wsaTry_Again = 11002;
inline constexpr int wsaNo_Recovery = 11003;
inline constexpr int wsaNo_Data = 11004;

// Dispatch-log texts: record types from 15001, sub-types from 15100, column headers.
inline constexpr int sdtBase = 15001;
inline constexpr int sdstBase = 15100;
inline constexpr int sdispHeader = 15501;
inline constexpr int sdispHeaderLine = 15502;
