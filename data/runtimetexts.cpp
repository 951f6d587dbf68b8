#include "data/runtimetexts.h"

#include <iterator>

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
QString MsgStationNameTooLong;
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
QString MsgInstanceLockFailed;

QString TxtNoStationInFile;
QString TxtClosedByDevice;
QString TxtBadHourName;
QString MsgFileOtherHour;
QString FmtRepeatedHour;
QString TxtOutsideDataFolder;
QString TxtBadAverageName;
QString TxtNotOnDevice;
QString TxtIncomplete;
QString TxtTooLarge;
QString MsgFileIncomplete;
QString MsgFileTooLarge;
QString MsgListingTooLong;
QString MsgListingUnreadable;
QString MsgFileNotStored;
QString MsgLogTailShown;
QString MsgCutFileLeft;
QString TxtValueNotGiven;
QString MsgRs232WriteStopped;

QString WeekdayNames[8];
QString MonthNames[13];

namespace {

struct TextPair {
    QString* target;
    const char* german;
    const char* english;
};

// Texts that code reads at run time, both languages (UTF-8).
const TextPair Texts[] = {
    {&MsgRs232Timeout, "Zeitüberschreitung bei RS232-Kommunikation! Abbruch!", "Timeout RS232 communication! Abort!"},
    {&MsgRs232ValueNotWritten, "Kommunikationsfehler bei RS232-Datentransfer! Wert nicht übertragen", "Communication error RS232 data transfer! Value not written"},
    {&MsgPortOpenFailed, "Ausgewählter RS232-Port kann nicht geöffnet werden.", "Selected RS232 Port can not be opened."},
    {&MsgFileReadError, "Fehler beim Lesen der Datei: ", "Error reading file: "},
    {&MsgFileOpenError, "Fehler beim Öffnen der Datei: ", "Error open file: "},
    {&MsgFtpError, "Ftp-Fehler: ", "Ftp Error: "},
    {&MsgFtpLoginFailed, "Ftp-Fehler: Login fehlgeschlagen!", "Ftp Error: Login failed!"},
    {&MsgFtpTimeout, "Ftp-Fehler: Zeitüberschreitung!", "Ftp Error: Timeout!"},
    {&MsgTransferClosed, "Fehler bei der Datenübertragung, Verbindung geschlossen!", "Error during data transfer. Connection closed!"},
    {&MsgTransferRetry, "Fehler bei der Datenübertragung. \n Erneut Versuchen?", "Error during data transfer, try again?"},
    {&MsgHourRangesOverlap, "Inkonsistente Zeitangabe, die Bereiche dürfen sich nicht überschneiden!", "Inconsistent times specification, the regions should not overlapp!"},
    {&MsgInvalidIpAddress, "Ungültige IP-Adresse: ", "Invalid IP-Address: "},
    {&MsgInvalidTime, "Ungültige Zeitangabe: ", "Invalid time format: "},
    // Prefix of the message on a folder that already exists.
    {&MsgDirectoryExists, "Das Verzeichnis ist bereits vorhanden: ", "The directory already exists: "},
    {&MsgFileWriteProtected, "Fehler beim Schreiben der Datei (kein Schreibzugriff): ", "Error writing file (no write access): "},
    {&MsgFileNotFound, "Die gesuchte Datei ist nicht vorhanden: ", "File does not exists: "},
    {&MsgInvalidStationNumber, "Ungültige Stations-/Regionsnummer (0...999)", "Invalid station or region number (0...999)"},
    {&MsgStationNotUnique, "Die Kombination Regions-/Stationsnummer ist nicht eindeutig!", "The combination region and station number is ambiguous!"},
    {&MsgStationNameMissing, "Geben Sie einen Namen für diese Station ein!", "Enter a name for this station!"},
    {&MsgNoStationForDevice, "Zu dem ausgewählten Gerät ist noch keine Station angeleg! \n Jetzt anlegen?", "No sation defined for selected device! \n Define now?"},
    {&MsgRegionStationUnknown, "Regions-/Stationsnummer können nicht ermittelt werden. \n Manuell auswählen?", "Region or Station number can't be evasluated. \n Select manualy?"},
    {&TxtConnectedTo, "Verbunden mit: ", "Online with "},
    {&TxtNotConnected, "Nicht Verbunden", "Offline"},
    {&TxtConnecting, "Verbindungsaufbau...", "Connecting..."},
    {&TxtReading, "Lesen", "Read"},
    {&TxtWriting, "Schreiben", "Write"},
    {&TxtOk, "Ok", "Ok"},
    {&TxtCopyTo, "Kopieren nach: ", "Copy to: "},
    {&TxtCopied, "Dateien kopiert", "copied"},
    {&TxtExisting, "vorhanden", "existing"},
    {&TxtValuesIn, "Messwerte in: ", "Values in: "},
    {&TxtTransferDone, "Übertragung beendet!", "Files transferred!"},
    {&TxtExportDone, "Excel-Konvertierung beendet!", "Excel-conversion finished!"},
    {&TxtFilesNotTransferred, "Dateien wurden nicht übertragen!", "Files not transferred!"},
    {&TxtNoDataAtTime, "Zu diesem Zeitpunkt sind keine Messwerte vorhanden!", "No measured values for this Time!"},
    {&TxtNoDataOnDate, "Zu diesem Datum sind keine Messwerte vorhanden!", "No measured values for this Date!"},
    {&MsgDiscardChanges, "Änderungen wurden nicht gespeichert, trotzdem beenden?", "Changes are not saved, still terminate?"},
    {&MsgInternetTestStarted, "Testverbindung mit dem Internet gestartet.\nDas Ergebnis kann auf dem Display abgelesen werden.", "Test connection with the internet is started.\nThe result is shown on the display."},
    {&MsgTextNotFound, "Text nicht gefunden!", "Text not found!"},
    {&TxtFilesFound, "Dateien gefunden.", "Files found."},
    {&TxtFilesCopied, "Dateien kopiert.", "Files copied."},
    {&TxtTransferring, "Dateien werden transferiert...", "File transfer..."},
    {&TxtLines, "Zeilen", "Columns"},
    {&TxtFinish, "Fertigstellen", "Finish"},
    {&TxtContinue, "Fortfahren", "Continue"},
    {&TxtSelectPort, "RS232-Port auswählen:", "Select RS232-Port number:"},
    {&TxtSetConfiguration, "Gerätekonfiguration anpassen:", "Set configuration:"},
    {&TxtDbA, "dB(A)", "dB(A)"},
    {&TxtTime, "Uhrzeit", "Time"},
    {&FmtLeq3, "Leq3: %5.1f dB(A)", "Leq3: %2.1f dB(A)"},
    {&MsgStoreOverwrite, "Alle Dateien werden im Verzeichnis [%s] abgespeichert.\nBereits bestehende Dateien können überschrieben werden!", "All files will be stored in the directory [%s].\nExisting files may be overwritten!"},
    {&MsgStoreConfirm, "Sollen die Messdaten im Verzeichnis [%s] abgespeichert werden? ", "Store the Measuring data im directory [%s]? "},
    {&MsgInstanceLockFailed,
     "Die Sperre gegen einen zweiten Programmstart kann nicht angelegt werden; das Programm läuft trotzdem. ",
     "The lock against a second start of the program cannot be made; the program runs all the same. "},
};
static_assert(std::size(Texts) == 53, "every text global has its two texts");

// What a failing or hostile device did, so that no failure stays without a reason.
const TextPair FaultTexts[] = {
    // And a name longer than the settings file takes.
    {&MsgStationNameTooLong, "Der Name einer Station darf höchstens %1 Zeichen lang sein!",
     "A station name may be at most %1 characters long!"},
    {&TxtNoStationInFile, "keine gültige Region/Station in der Datei", "no valid region/station in the file"},
    {&TxtClosedByDevice, "Verbindung vom Gerät beendet", "connection closed by the device"},
    {&TxtBadHourName, "kein gültiger Name einer Stunden- oder Mittelwertdatei", "not a valid hour or average file name"},
    {&MsgFileOtherHour, "Datei enthält eine andere Stunde als ihr Name: ", "File holds another hour than its name: "},
    {&TxtOutsideDataFolder, "Name außerhalb des Datenordners", "name outside the data folder"},
    {&TxtBadAverageName, "Name der Mittelwertdatei nicht 12 Zeichen lang", "average file name not 12 characters long"},
    {&TxtNotOnDevice, "nicht auf dem Gerät", "not on the device"},
    {&TxtIncomplete, "unvollständig", "incomplete"},
    {&TxtTooLarge, "zu groß", "too large"},
    {&MsgFileIncomplete, "Datei unvollständig oder beschädigt übertragen: ", "File transferred incomplete or damaged: "},
    {&MsgFileTooLarge, "Datei größer als %1 Bytes, Übertragung abgebrochen: ", "File larger than %1 bytes, transfer stopped: "},
    {&MsgListingTooLong, "Verzeichnis des Geräts mit mehr als %1 Einträgen wird nicht gelesen: ", "Device folder with more than %1 entries is not read: "},
    {&MsgListingUnreadable, "die Dateiliste des Geräts konnte nicht gelesen werden", "the device's file list could not be read"},
    {&MsgFileNotStored, "Datei kann nicht gespeichert werden: ", "File cannot be stored: "},
    {&MsgLogTailShown, "Datei zu groß: gezeigt werden die letzten %1 MB.", "File too large: the last %1 MB are shown."},
    // The day summer time ends: which of its two hours the graph shows.
    {&FmtRepeatedHour, " (%1:00-%1:59 zweimal, gezeigt: Winterzeit)", " (%1:00-%1:59 twice, shown: standard time)"},
    {&MsgCutFileLeft, "Unvollständige Datei blieb auf dem Gerät: ", "Incomplete file left on the device: "},
    {&TxtValueNotGiven, "Wert vom Gerät nicht erhalten; wird nur geschrieben, wenn er geändert wird.",
     "Value not given by the device; it is written only when changed."},
    {&MsgRs232WriteStopped, "Schreiben abgebrochen.\nGeschrieben: %1\nNicht geschrieben: %2",
     "Writing stopped.\nWritten: %1\nNot written: %2"},
};

const char* const WeekdaysDe[7] = {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
const char* const WeekdaysEn[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const MonthsDe[12] = {"Januar", "Februar", "März", "April", "Mai", "Juni", "Juli",
                                  "August", "September", "Oktober", "November", "Dezember"};
const char* const MonthsEn[12] = {"January", "February", "March", "April", "May", "June", "July",
                                  "August", "September", "Oktober", "November", "December"};

}  // namespace

void ApplyTextGlobals(int lang)
{
    const bool de = lang == 0;
    for (const TextPair& t : Texts)
        *t.target = QString::fromUtf8(de ? t.german : t.english);
    for (const TextPair& t : FaultTexts)
        *t.target = QString::fromUtf8(de ? t.german : t.english);
    for (int i = 0; i < 7; ++i)
        WeekdayNames[i + 1] = QString::fromUtf8(de ? WeekdaysDe[i] : WeekdaysEn[i]);
    for (int i = 0; i < 12; ++i)
        MonthNames[i + 1] = QString::fromUtf8(de ? MonthsDe[i] : MonthsEn[i]);
}

void ClearTextGlobals(bool reverse)
{
    const int n = int(std::size(Texts));
    for (int i = 0; i < n; ++i)
        Texts[reverse ? n - 1 - i : i].target->clear();
    for (const TextPair& t : FaultTexts)
        t.target->clear();
    for (QString& s : WeekdayNames)
        s.clear();
    for (QString& s : MonthNames)
        s.clear();
}
