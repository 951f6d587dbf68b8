#pragma once
#include <QString>
#include <span>

// The configuration keys of a measuring device as the RS-232 configuration window reads and
// writes them, and the conversions between a key's text value and its control.
namespace rsconfig {

enum class Page { Station, Internet, Transfer, Web, Time, Service, Display, Info };

enum class Conversion {
    Text,       // the control's text as received or as typed
    Index,      // a combo box's or radio group's item index as decimal text
    Protokoll,  // item index = value - 1
    Contrast,   // track-bar position
    Led,        // check box: "1" ticked, "0" not
    ModemType,  // read only: upper-cased text selects the modem panel
    ZoneOffset, // seconds east of UTC; the zone text is derived from it
};

// Which modem panel a key belongs to; only the panel of the device's modem type is read.
enum class ModemPanel { None, Isdn, Analog };

// What the reader does after a key has been read.
enum class AfterRead { Nothing, DhcpRule, ModemAndDialRules };

struct KeyEntry {
    const char* readKey;
    const char* writeKey;  // nullptr: never written
    const char* control;   // object name of the control that shows the value
    Page page;
    Conversion conversion;
    int defaultValue;      // index or position when the value is no number
    bool serviceOnly;      // read and written only in the service mode
    ModemPanel panel;
    AfterRead after;
};

// In read order.
std::span<const KeyEntry> KeyTable();
// The keys in the order they are written (write keys); the closing command follows them.
std::span<const char* const> WriteOrder();
// The entry whose read or write key is key (exact spelling); nullptr when none.
const KeyEntry* FindKey(const QString& key);

// The command that ends a write: "reboot" in the service mode, else "reload".
QString ClosingCommand(bool serviceMode);

// Conversions between the device's text and the control's state.
int IndexFromValue(const QString& value, int defaultIndex);
QString ValueFromIndex(int index);
int ProtokollIndexFromValue(const QString& value);  // default value 3: index 2
QString ValueFromProtokollIndex(int index);
int ContrastFromValue(const QString& value);  // default 40
bool LedFromValue(const QString& value);
QString ValueFromLed(bool ticked);
// "ISDN", "MODEM" or anything else, after upper-casing.
ModemPanel PanelFromModemType(const QString& value);

// Checks on leaving an edit (an empty text is not checked by the caller).
// Four dotted parts, each a byte (0..255); the text is cut at its first three dots.
bool IsIpAddressText(const QString& text);
// h:m with 0..23:0..59 or 24:00; a missing number counts as 0, no colon reads as 0:m.
bool IsTimeText(const QString& text);

// The key filters of the edits: the typed character is accepted.
bool IntegerKeyAccepted(QChar c);    // digits, backspace, Ctrl-V
bool IpAddressKeyAccepted(QChar c);  // digits, '.', backspace
bool TimeKeyAccepted(QChar c);       // digits, ':', backspace
bool HexKeyAccepted(QChar c);        // digits, A-F, a-f, backspace

}  // namespace rsconfig
