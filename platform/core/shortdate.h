#pragma once
#include <QDate>
#include <QLocale>
#include <QString>

namespace platform {

// The short date format of a locale with its year written in full ("dd.MM.yyyy" for German,
// "d MMM yyyy" for C): a two-digit year in a picker or a list names no century.
QString ShortDateFormatOf(const QLocale& locale);

// The one date format of every date picker and date text of the program: the system's short
// date, whatever language the program's texts are in.
QString ShortDateFormat();
QString ShortDateText(const QDate& date);

}  // namespace platform
