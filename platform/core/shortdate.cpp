#include "platform/core/shortdate.h"

#include <QRegularExpression>

namespace platform {

QString ShortDateFormatOf(const QLocale& locale)
{
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    return locale.dateFormat(QLocale::ShortFormat).replace(twoDigitYear, QStringLiteral("yyyy"));
}

QString ShortDateFormat()
{
    // The system's locale is read once per run.
    static const QString format = ShortDateFormatOf(QLocale::system());
    return format;
}

QString ShortDateText(const QDate& date)
{
    return QLocale::system().toString(date, ShortDateFormat());
}

}  // namespace platform
