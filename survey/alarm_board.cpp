// SPDX-License-Identifier: MIT
#include "survey/alarm_board.h"

#include <QStringList>

#include <algorithm>

namespace survey {

bool AlarmBoard::take(const QString& origin, const AlarmEvent& event) {
    const QString before = text();
    const auto same = [&](const Active& a) { return a.origin == origin && a.rule == event.rule; };
    m_active.erase(std::remove_if(m_active.begin(), m_active.end(), same), m_active.end());
    if (event.starts())
        m_active.push_back({origin, event.rule, event.loop});
    return text() != before;
}

bool AlarmBoard::clear(const QString& origin) {
    const QString before = text();
    m_active.erase(std::remove_if(m_active.begin(), m_active.end(),
                                  [&](const Active& a) { return a.origin == origin; }),
                   m_active.end());
    return text() != before;
}

QString AlarmBoard::text() const {
    QStringList shown;
    for (const Active& active : m_active) {
        const QString line =
            QStringLiteral("ALARM %1 since loop %2").arg(active.rule).arg(active.since);
        if (!shown.contains(line))
            shown << line;
    }
    return shown.join(QStringLiteral("; "));
}

} // namespace survey
