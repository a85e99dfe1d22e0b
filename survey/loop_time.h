// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>

namespace survey {

// When a loop began, taken from its "mm-dd-yyyy  hh:mm:ss" start text and kept in the ISO order
// that exports use.
struct LoopTime {
    std::array<char, 10> IsoDate{}; // yyyy-mm-dd
    std::array<char, 8> Clock{};    // hh:mm:ss

    QString isoDate() const { return QString::fromLatin1(IsoDate.data(), IsoDate.size()); }
    QString clock() const { return QString::fromLatin1(Clock.data(), Clock.size()); }
    // "mm-dd-yyyy  hh:mm:ss", as the program shows a time.
    QString text() const;
    // Seconds since 1970-01-01 00:00:00 of the site's own clock, for differences of times.
    qint64 seconds() const;
    int hour() const { return (Clock[0] - '0') * 10 + (Clock[1] - '0'); }
};

// Nothing when the text is not a date and time in the program's form (surrounding and doubled
// blanks are accepted) or names a day or time that does not exist.
std::optional<LoopTime> parseLoopTime(QByteArrayView startText);

} // namespace survey
