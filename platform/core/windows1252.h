#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Windows-1252, the 8-bit code page in which the older program wrote its settings and
// exports. Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character there; as Windows does, they
// read as the C1 controls of the same value and write back as those bytes, so every byte
// sequence survives a read and a write unchanged.
namespace platform {

QString FromWindows1252(QByteArrayView bytes);
// True when every character of text has a byte in the code page.
bool Windows1252CanHold(QStringView text);
// Each character the code page cannot hold becomes one "?".
QByteArray ToWindows1252(QStringView text);

}  // namespace platform
