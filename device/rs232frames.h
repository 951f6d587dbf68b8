#pragma once
#include <QByteArray>
#include <QString>

// Frames of the device's RS-232 key=value protocol. Keys and values are plain 8-bit text.
namespace rs232 {

constexpr char Esc = 0x1B;
constexpr char Cr = 0x0D;
constexpr char Stx = 0x02;
constexpr char Etx = 0x03;
constexpr int MaxValueLength = 99;

QByteArray QueryFrame(const QString& key);  // ESC key ? CR
QByteArray SetFrame(const QString& key, const QString& value);  // ESC key = value CR
QByteArray CommandFrame(const QString& command);  // ESC cmd= command CR

// What one reply text (between the frame characters) says.
struct Reply {
    bool error = false;  // the text begins with '-'
    bool hasValue = false;  // an '=' stands in it; otherwise the last value stays
    QString value;  // at most 99 characters after the first '='
};
Reply ParseReply(const QString& data);

// State of the running request. The request timer's Tag carries it, with these values.
enum class RequestState : int { Waiting = 0, Answered = 1, TimedOut = 99 };

}  // namespace rs232
