// SPDX-License-Identifier: MIT
#pragma once

#include "survey/alarm_watch.h"

#include <QString>

#include <vector>

namespace survey {

// The alarms on now, as a status line shows them, gathered from several origins: the rules of
// this program ("") and those a watched site publishes (its name).
class AlarmBoard {
public:
    // The event's alarm begins or ends for that origin; true when text() changed.
    bool take(const QString& origin, const AlarmEvent& event);
    // Every alarm of that origin is let go (no end will be heard of them); true when text()
    // changed.
    bool clear(const QString& origin);

    bool isEmpty() const { return m_active.empty(); }
    // "ALARM Grp 3 >= -80 dBm for 3 loops since loop 12", several joined by "; " in the order
    // they began, the same alarm from two origins once; "" when none is on.
    QString text() const;

private:
    struct Active {
        QString origin;
        QString rule;
        qint32 since = 0;
    };

    std::vector<Active> m_active;
};

} // namespace survey
