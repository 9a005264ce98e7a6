#pragma once

#include "dating/calendar.h"

#include <QDate>
#include <QString>

#include <string>
#include <string_view>

// The one place where the dating core's days and UTF-8 texts meet Qt's.
namespace formkit {

inline QDate toQDate(dating::Date date)
{
    return QDate(static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
        static_cast<int>(static_cast<unsigned>(date.day())));
}

inline dating::Date toDate(QDate date)
{
    return dating::Date { std::chrono::year { date.year() },
        std::chrono::month { static_cast<unsigned>(date.month()) },
        std::chrono::day { static_cast<unsigned>(date.day()) } };
}

inline QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

inline std::string toStd(const QString &text)
{
    return text.toStdString();
}

inline QString shortText(dating::Date date)
{
    return toQString(dating::shortDate(date));
}

inline QString longText(dating::Date date)
{
    return toQString(dating::longDate(date));
}

} // namespace formkit
