// SPDX-License-Identifier: MIT
#include "survey/loop_time.h"

#include "core/conventions.h"

#include <QDate>
#include <QTime>

#include <cstring>

namespace survey {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int number(QByteArrayView text, int at, int length) {
    int value = 0;
    for (int i = at; i < at + length; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

// The exact form the program writes: "mm-dd-yyyy  hh:mm:ss", 20 characters.
std::optional<LoopTime> parseExact(QByteArrayView t) {
    static constexpr char Pattern[] = "00-00-0000  00:00:00";
    if (t.size() != 20)
        return std::nullopt;
    for (int i = 0; i < 20; ++i) {
        if (Pattern[i] == '0' ? !isDigit(t[i]) : t[i] != Pattern[i])
            return std::nullopt;
    }
    if (!QDate::isValid(number(t, 6, 4), number(t, 0, 2), number(t, 3, 2)) ||
        !QTime::isValid(number(t, 12, 2), number(t, 15, 2), number(t, 18, 2)))
        return std::nullopt;
    LoopTime time;
    const char iso[10] = {t[6], t[7], t[8], t[9], '-', t[0], t[1], '-', t[3], t[4]};
    std::memcpy(time.IsoDate.data(), iso, sizeof iso);
    std::memcpy(time.Clock.data(), t.data() + 12, 8);
    return time;
}

// Days since 1970-01-01 of a day of the proleptic Gregorian calendar.
qint64 daysFromCivil(int year, int month, int day) {
    year -= month <= 2;
    const qint64 era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = int(year - era * 400);
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

} // namespace

qint64 LoopTime::seconds() const {
    const QByteArrayView date(IsoDate.data(), IsoDate.size());
    const QByteArrayView clock(Clock.data(), Clock.size());
    return daysFromCivil(number(date, 0, 4), number(date, 5, 2), number(date, 8, 2)) * 86400 +
           number(clock, 0, 2) * 3600 + number(clock, 3, 2) * 60 + number(clock, 6, 2);
}

QString LoopTime::text() const {
    const QString date = isoDate();
    return date.mid(5, 2) + QLatin1Char('-') + date.mid(8, 2) + QLatin1Char('-') + date.left(4) +
           QStringLiteral("  ") + clock();
}

std::optional<LoopTime> parseLoopTime(QByteArrayView startText) {
    if (auto exact = parseExact(startText))
        return exact;
    const auto when = core::parseDateTimeText(QString::fromLatin1(startText));
    if (!when)
        return std::nullopt;
    return parseExact(QByteArrayView(core::dateTimeText(*when).toLatin1()));
}

} // namespace survey
