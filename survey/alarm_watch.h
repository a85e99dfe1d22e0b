// SPDX-License-Identifier: MIT
#pragma once

#include "recording/scan_record.h"
#include "survey/alarm_rule.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

namespace survey {

// What a watch needs of a finished loop: its number, its start and its Last codes by channel
// index (a trailing run of padding codes is where the sweep did not reach).
struct AlarmLoop {
    qint32 number = 0;
    QDateTime start;
    QByteArray lastCodes;
};

// A recorded loop as a watch takes it, its start read as this machine's local time.
AlarmLoop alarmLoopOf(const recording::ScanRecord& record);

// An alarm beginning or ending at a loop.
struct AlarmEvent {
    enum class Kind { Start, End };

    Kind kind = Kind::Start;
    QString rule; // the rule's text
    qint32 loop = 0;
    QDateTime loopStart;
    // The strongest channel of the rule in that loop: its frequency (tenths of a MHz) and level.
    int f10 = 0;
    int dbm = 0;

    bool starts() const { return kind == Kind::Start; }
    // "start" or "end".
    QString kindText() const;
    // "915.0"
    QString mhzText() const;
};

// Rules evaluated loop by loop. A rule's level in a loop is the strongest Last level among its
// channels that gave a level. Its alarm starts at the loop that completes `loops` consecutive
// loops at or above the rule's level, and ends at the loop that completes as many consecutive
// loops below it, so that a single dip or burst never makes the alarm flap. Loop numbers may
// start again (a new scan): the runs carry on over them.
class AlarmWatch {
public:
    AlarmWatch() = default;
    explicit AlarmWatch(std::vector<AlarmRule> rules);

    bool isEmpty() const { return m_watched.empty(); }
    // The alarms that start or end with this loop, in the order of the rules.
    std::vector<AlarmEvent> take(const AlarmLoop& loop);

private:
    struct Watched {
        AlarmRule rule;
        bool active = false;
        int run = 0; // loops in a row that point the other way than `active`
    };

    std::vector<Watched> m_watched;
};

} // namespace survey
