#pragma once
#include <QString>
#include <stdexcept>

// A text that should hold a number does not; the message names the text.
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};

// Decimal integer of a text (surrounding blanks allowed); throws EConvertError otherwise.
int StrToInt(const QString& text);

// Decimal integer of a text (surrounding blanks allowed), or def when the text is not one.
// Its own namespace: app/data/numbertext.h has a stricter StrToIntDef (no blanks), and both
// end up in one program.
namespace trimmed {
int StrToIntDef(const QString& text, int def);
}
using trimmed::StrToIntDef;
