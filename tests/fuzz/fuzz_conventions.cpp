// SPDX-License-Identifier: MIT
// The number and date conventions, in the C locale and in a decimal-comma locale, in a time zone
// with daylight saving: a formatted value reads back as the value it was made from, a text reads
// as the same number in every locale, conversions to whole numbers round halves to even in every
// rounding mode, and date-time texts read and subtract as wall-clock readings.
#include "core/conventions.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/support/decimal_comma_locale.h"

#include <QDateTime>

#include <cfenv>
#include <clocale>
#include <cmath>
#include <ctime>
#include <limits>

namespace {

using namespace core;

bool decimalComma = false;

// Runs the check in the C locale, then again in the decimal-comma locale, and gives both results.
template <typename Check> auto inEveryLocale(Check check) {
    std::setlocale(LC_ALL, "C");
    auto inC = check();
    if (decimalComma)
        std::setlocale(LC_ALL, testing::DecimalCommaLocale::Name);
    auto inOther = check();
    std::setlocale(LC_ALL, "C");
    return std::make_pair(inC, inOther);
}

bool sameDouble(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

void checkFormat(double x, QString (*format)(double), int integerDigits) {
    const auto [text, other] = inEveryLocale([&] { return format(x); });
    FUZZ_CHECK(text == other);
    // The pattern of a formatted number, or a value that is not finite.
    FUZZ_CHECK(text == QLatin1String("inf") || text == QLatin1String("-inf") ||
               text == QLatin1String("nan") || inDecimalPattern(text, integerDigits));
    if (!std::isfinite(x)) {
        FUZZ_CHECK(Val(text) == 0);
        return;
    }
    const double back = Val(text);
    FUZZ_CHECK(std::fabs(back - x) <= 0.05 + std::fabs(x) * 0x1p-50);
    FUZZ_CHECK(format(back) == text);
}

void checkRounding(double x) {
    double inNearest = 0;
    for (const int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        std::fesetround(mode);
        const double r = roundHalfEven(x);
        const auto asInt = CInt(x);
        const auto asLong = CLng(x);
        std::fesetround(FE_TONEAREST);
        if (mode == FE_TONEAREST)
            inNearest = r;
        FUZZ_CHECK(sameDouble(r, inNearest));
        if (!std::isfinite(x)) {
            FUZZ_CHECK(sameDouble(r, x) && !asInt && !asLong);
            continue;
        }
        FUZZ_CHECK(r == std::floor(r) && std::fabs(r - x) <= 0.5);
        if (std::fabs(r - x) == 0.5)
            FUZZ_CHECK(std::fmod(r, 2.0) == 0);
        FUZZ_CHECK(asInt.has_value() == (r >= -32768 && r <= 32767));
        FUZZ_CHECK(!asInt || *asInt == r);
        FUZZ_CHECK(asLong.has_value() == (r >= -2147483648.0 && r <= 2147483647.0));
        FUZZ_CHECK(!asLong || *asLong == r);
    }
}

// "1d 2h 3m 4s" without its zero parts adds up to the whole seconds.
void checkElapsed(double seconds) {
    const QString text = FormatElapsed(seconds);
    if (!(seconds > 0)) {
        FUZZ_CHECK(text == QLatin1String("0s"));
        return;
    }
    if (seconds >= 9.0e15)
        return;
    double total = 0;
    for (const QString& part : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const double n = Val(part);
        const QChar unit = part.back();
        FUZZ_CHECK(n > 0);
        FUZZ_CHECK(unit == QLatin1Char('d') || n < (unit == QLatin1Char('h') ? 24 : 60));
        total += n * (unit == QLatin1Char('d')   ? 86400
                      : unit == QLatin1Char('h') ? 3600
                      : unit == QLatin1Char('m') ? 60
                                                 : 1);
    }
    FUZZ_CHECK(total == std::trunc(seconds));
}

QDateTime wallClock(FuzzInput& input) {
    const QDate date(1000 + input.value<uint16_t>() % 9000, 1 + input.byte() % 12,
                     1 + input.byte() % 31);
    const QTime time(input.byte() % 24, input.byte() % 60, input.byte() % 60);
    return QDateTime(date, time, Qt::UTC);
}

void checkDates(const QDateTime& from, const QDateTime& to) {
    if (!from.isValid() || !to.isValid())
        return;
    const QString fromText = dateTimeText(from);
    const QString toText = dateTimeText(to);
    FUZZ_CHECK(fromText.size() == 20);
    FUZZ_CHECK(parseDateTimeText(fromText) == from);
    FUZZ_CHECK(secondsBetween(fromText, toText) == from.secsTo(to));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const testing::DecimalCommaLocale locale;
    decimalComma = locale.applyToThisProcess();
    if (!decimalComma)
        std::fprintf(stderr, "no decimal-comma locale: %s\n", qPrintable(locale.error()));
    std::setlocale(LC_ALL, "C");
    qputenv("TZ", "America/New_York");
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const double x = input.value<double>();
    checkFormat(x, formatFreq, 3);
    checkFormat(x, formatLevel, 2);
    checkRounding(x);
    checkElapsed(x);
    FUZZ_CHECK(sameDouble(Int(x), std::floor(x)));

    const QDateTime from = wallClock(input);
    const QDateTime to = wallClock(input);
    checkDates(from, to);

    const QByteArray text = input.rest();
    const auto [inC, inOther] = inEveryLocale([&] { return Val(QByteArrayView(text)); });
    FUZZ_CHECK(sameDouble(inC, inOther));
    FUZZ_CHECK(sameDouble(Val(QString::fromLatin1(text)), inC));
    return 0;
}
