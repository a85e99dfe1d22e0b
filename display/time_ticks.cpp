// SPDX-License-Identifier: MIT
#include "display/time_ticks.h"

#include <QDate>
#include <QTime>

#include <algorithm>

namespace display {

namespace {

constexpr int Minute = 60;
constexpr int Hour = 60 * Minute;
constexpr int Day = 24 * Hour;
// Every step up to a day divides a day, so its multiples fall on the same times each day.
constexpr int Steps[] = {1,           2,           5,          10,         15,
                         30,          Minute,      2 * Minute, 5 * Minute, 10 * Minute,
                         15 * Minute, 30 * Minute, Hour,       2 * Hour,   3 * Hour,
                         6 * Hour,    12 * Hour,   Day,        2 * Day,    7 * Day};

int digits(const char* text, int count) {
    int value = 0;
    for (int i = 0; i < count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

// Seconds since the start of the Julian day count, as the clock read (the same for every zone).
qint64 secondsOf(const survey::LoopTime& time) {
    const char* date = time.IsoDate.data();
    const char* clock = time.Clock.data();
    const QDate day(digits(date, 4), digits(date + 5, 2), digits(date + 8, 2));
    return day.toJulianDay() * Day + digits(clock, 2) * Hour + digits(clock + 3, 2) * Minute +
           digits(clock + 6, 2);
}

QString labelOf(qint64 seconds, bool withDate, int step) {
    const QDate day = QDate::fromJulianDay(seconds / Day);
    const QTime time = QTime(0, 0).addSecs(int(seconds % Day));
    if (!withDate)
        return time.toString(QStringLiteral("hh:mm:ss"));
    return day.toString(QStringLiteral("MM-dd ")) +
           time.toString(step % Minute == 0 ? QStringLiteral("hh:mm") : QStringLiteral("hh:mm:ss"));
}

struct Mark {
    int Row;
    qint64 Seconds;
};

// Oldest row first: the rows that are the first to start at or after a multiple of `step`, each
// with the latest such multiple (several fall on one row across a pause in the scan).
std::vector<Mark> marksOf(const std::vector<qint64>& starts, int step) {
    std::vector<Mark> marks;
    qint64 reached = starts.back() - 1; // before the first loop: no row to mark
    for (int row = int(starts.size()) - 1; row >= 0; --row) {
        const qint64 multiple = starts[row] / step * step;
        if (multiple > reached)
            marks.push_back({row, multiple});
        reached = std::max(reached, starts[row]);
    }
    return marks;
}

// Which rows started after a pause in the scan: more than PauseFactor times the usual time
// after the row below them.
constexpr int PauseFactor = 4;
std::vector<bool> pausesBefore(const std::vector<qint64>& starts) {
    std::vector<qint64> gaps;
    for (size_t row = 0; row + 1 < starts.size(); ++row)
        gaps.push_back(starts[row] - starts[row + 1]);
    std::vector<bool> pauses(starts.size(), false);
    if (gaps.empty())
        return pauses;
    std::vector<qint64> sorted = gaps;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const qint64 usual = std::max<qint64>(sorted[sorted.size() / 2], 1);
    for (size_t row = 0; row < gaps.size(); ++row)
        pauses[row] = gaps[row] > PauseFactor * usual;
    return pauses;
}

// Whether two marks lie closer than `spacing` with no pause between them. Across a pause they
// may: one of them goes, and the step stays what the scan's pace allows.
bool crowded(const std::vector<Mark>& marks, const std::vector<bool>& pauses, double rowHeight,
             int spacing) {
    for (size_t i = 1; i < marks.size(); ++i) {
        const int older = marks[i - 1].Row;
        const int newer = marks[i].Row;
        if ((older - newer) * rowHeight < spacing &&
            std::find(pauses.begin() + newer, pauses.begin() + older, true) ==
                pauses.begin() + older)
            return true;
    }
    return false;
}

// Keeps, from the bottom up, the marks at least `spacing` pixels above the last one kept.
std::vector<Mark> spacedOut(const std::vector<Mark>& marks, double rowHeight, int spacing) {
    std::vector<Mark> kept;
    for (const Mark& mark : marks) {
        if (kept.empty() || (kept.back().Row - mark.Row) * rowHeight >= spacing)
            kept.push_back(mark);
    }
    return kept;
}

} // namespace

TimeTicks timeTicks(const std::vector<survey::LoopTime>& rowStarts, double rowHeight, int spacing) {
    TimeTicks result;
    if (rowStarts.empty())
        return result;
    std::vector<qint64> starts;
    starts.reserve(rowStarts.size());
    for (const survey::LoopTime& start : rowStarts)
        starts.push_back(secondsOf(start));
    const bool withDate = rowStarts.front().IsoDate != rowStarts.back().IsoDate;

    const std::vector<bool> pauses = pausesBefore(starts);
    std::vector<Mark> marks;
    for (const int step : Steps) {
        marks = marksOf(starts, step);
        result.StepSeconds = step;
        if (!crowded(marks, pauses, rowHeight, spacing))
            break;
    }
    marks = spacedOut(marks, rowHeight, spacing);
    for (auto mark = marks.rbegin(); mark != marks.rend(); ++mark)
        result.Ticks.append({mark->Row, labelOf(mark->Seconds, withDate, result.StepSeconds)});
    return result;
}

} // namespace display
