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
// StrToIntDef (data/numbertext.h) is the strict one, without blanks.
int TrimmedStrToIntDef(const QString& text, int def);
