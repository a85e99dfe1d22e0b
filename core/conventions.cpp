// SPDX-License-Identifier: MIT
#include "core/conventions.h"

#include <cmath>
#include <limits>

namespace core {

namespace {

char charAt(QStringView text, qsizetype i) {
    return i < text.size() ? text[i].toLatin1() : '\0';
}
char charAt(QByteArrayView text, qsizetype i) {
    return i < text.size() ? text[i] : '\0';
}

template <typename Chars> double leadingNumber(Chars text) {
    const auto at = [text](qsizetype i) { return charAt(text, i); };
    qsizetype i = 0;
    while (at(i) == ' ' || at(i) == '\t' || at(i) == '\r' || at(i) == '\n')
        ++i;
    std::string number;
    if (at(i) == '-' || at(i) == '+')
        number += at(i++);
    bool digits = false;
    while (at(i) >= '0' && at(i) <= '9') {
        number += at(i++);
        digits = true;
    }
    if (at(i) == '.') {
        number += at(i++);
        while (at(i) >= '0' && at(i) <= '9') {
            number += at(i++);
            digits = true;
        }
    }
    if (!digits)
        return 0.0;
    const char e = at(i);
    if (e == 'e' || e == 'E' || e == 'd' || e == 'D') {
        qsizetype j = i + 1;
        std::string exponent = "e";
        if (at(j) == '-' || at(j) == '+')
            exponent += at(j++);
        if (at(j) >= '0' && at(j) <= '9') {
            while (at(j) >= '0' && at(j) <= '9')
                exponent += at(j++);
            number += exponent;
        }
    }
    // Read in the C locale whatever the user's: strtod would stop at the '.' under a
    // decimal-comma locale. Overflow gives an infinity, underflow 0, as strtod does.
    return QByteArray::fromStdString(number).toDouble();
}

template <typename Int> std::optional<Int> convert(double x) {
    if (!std::isfinite(x))
        return std::nullopt;
    const double r = roundHalfEven(x);
    if (r < double(std::numeric_limits<Int>::min()) || r > double(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(r);
}

// Below this magnitude the value times ten is rounded as a whole number of tenths, halves away
// from zero (85.45 gives 85.5, as the value is meant). Above it tenths no longer fit the
// rounding's precision, and the exact decimal value of the double is written instead.
constexpr double WholeTenthsLimit = 1e12;

// Formats with at least integerDigits integer digits and one decimal. A value that is not
// finite gives "inf", "-inf" or "nan", which reads back as no number at all.
QString formatOneDecimal(double x, int integerDigits) {
    if (std::isnan(x))
        return QStringLiteral("nan");
    if (std::isinf(x))
        return x < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    QString text;
    bool zero = false;
    if (std::fabs(x) < WholeTenthsLimit) {
        const long long tenths = std::llround(std::fabs(x) * 10.0);
        text = QString::number(tenths / 10) + QLatin1Char('.') + QString::number(tenths % 10);
        zero = tenths == 0;
    } else {
        text = QString::number(std::fabs(x), 'f', 1);
    }
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < integerDigits)
        text.prepend(QString(integerDigits - point, QLatin1Char('0')));
    return (x < 0 && !zero) ? QLatin1Char('-') + text : text;
}

const QString DateTimeFormat = QStringLiteral("MM-dd-yyyy  HH:mm:ss");

} // namespace

double Val(QStringView text) {
    return leadingNumber(text);
}
double Val(QByteArrayView text) {
    return leadingNumber(text);
}

// Only exact operations, so the result never depends on the rounding mode the caller runs in:
// setting the mode around nearbyint does not work, since the compiler may move the call past
// the mode's restore.
double roundHalfEven(double x) {
    // From 2^52 on every double is a whole number.
    if (!std::isfinite(x) || std::fabs(x) >= 4503599627370496.0)
        return x;
    const double below = std::floor(x);
    const double fraction = x - below; // exact below 2^52
    if (fraction > 0.5)
        return below + 1.0;
    if (fraction < 0.5)
        return below;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

std::optional<qint16> CInt(double x) {
    return convert<qint16>(x);
}
std::optional<qint32> CLng(double x) {
    return convert<qint32>(x);
}

double Int(double x) {
    return std::floor(x);
}

QString formatFreq(double x) {
    return formatOneDecimal(x, 3);
}
QString formatLevel(double x) {
    return formatOneDecimal(x, 2);
}

QString dateTimeText(const QDateTime& when) {
    return when.toString(DateTimeFormat);
}

std::optional<QDateTime> parseDateTimeText(QStringView text) {
    const QStringList parts = text.toString().simplified().split(QLatin1Char(' '));
    if (parts.size() != 2)
        return std::nullopt;
    const QDate date = QDate::fromString(parts[0], QStringLiteral("MM-dd-yyyy"));
    const QTime time = QTime::fromString(parts[1], QStringLiteral("HH:mm:ss"));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    // The texts are wall-clock readings without a zone. Read in the local zone, a time inside the
    // hour that a clock change skips would not exist; read as UTC every reading exists and
    // differences are taken between wall-clock readings.
    return QDateTime(date, time, Qt::UTC);
}

std::optional<qint64> secondsBetween(QStringView from, QStringView to) {
    const auto start = parseDateTimeText(from);
    const auto end = parseDateTimeText(to);
    if (!start || !end)
        return std::nullopt;
    return start->secsTo(*end);
}

QString FormatElapsed(double seconds) {
    if (!(seconds > 0))
        return QStringLiteral("0s");
    if (seconds > 9.0e15)
        seconds = 9.0e15;
    long long rest = static_cast<long long>(std::trunc(seconds));
    const long long days = rest / 86400;
    rest -= days * 86400;
    const long long hours = rest / 3600;
    rest -= hours * 3600;
    const long long minutes = rest / 60;
    const long long secs = rest - minutes * 60;

    QString text;
    if (days > 0)
        text += QString::number(days) + QStringLiteral("d ");
    if (hours > 0)
        text += QString::number(hours) + QStringLiteral("h ");
    if (minutes > 0)
        text += QString::number(minutes) + QStringLiteral("m ");
    if (secs > 0)
        text += QString::number(secs) + QLatin1Char('s');
    return text;
}

std::optional<qint64> parseDuration(const QString& text) {
    static const QList<QPair<QChar, qint64>> Units{{QLatin1Char('s'), 1},
                                                   {QLatin1Char('m'), 60},
                                                   {QLatin1Char('h'), 3600},
                                                   {QLatin1Char('d'), 86400}};
    QString number = text.trimmed();
    qint64 unit = 1;
    for (const auto& [suffix, seconds] : Units) {
        if (number.endsWith(suffix)) {
            number.chop(1);
            unit = seconds;
            break;
        }
    }
    bool ok = false;
    const qlonglong value = number.toLongLong(&ok);
    if (!ok || value <= 0 || value > std::numeric_limits<qint64>::max() / unit / 1000)
        return std::nullopt;
    return value * unit;
}

} // namespace core
