// SPDX-License-Identifier: MIT
#include "survey/alarm_watch.h"

#include "core/conventions.h"
#include "scan/channel_plan.h"
#include "survey/level_codes.h"

#include <optional>
#include <utility>

namespace survey {

namespace {

struct Strongest {
    int channel = 0;
    int dbm = 0;
};

// The strongest level among the channels that gave one; ties go to the lowest channel. Nothing
// when none did.
std::optional<Strongest> strongestOf(const AlarmRule& rule, const QByteArray& codes, int reached) {
    std::optional<Strongest> best;
    for (int chan = rule.firstChannel; chan <= rule.lastChannel && chan < reached; ++chan) {
        const auto code = static_cast<unsigned char>(codes[chan]);
        if (isLevelCode(code) && (!best || levelDbm(code) > best->dbm))
            best = Strongest{chan, levelDbm(code)};
    }
    return best;
}

} // namespace

AlarmLoop alarmLoopOf(const recording::ScanRecord& record) {
    AlarmLoop loop;
    loop.number = record.LoopNumber;
    loop.lastCodes = record.LastCodes;
    if (const auto clock = core::parseDateTimeText(QString::fromLatin1(record.LoopStartText))) {
        const QDateTime local(clock->date(), clock->time(), Qt::LocalTime);
        loop.start = local.toOffsetFromUtc(local.offsetFromUtc());
    }
    return loop;
}

QString AlarmEvent::kindText() const {
    return starts() ? QStringLiteral("start") : QStringLiteral("end");
}

QString AlarmEvent::mhzText() const {
    return scan::frequencyText(f10);
}

AlarmWatch::AlarmWatch(std::vector<AlarmRule> rules) {
    for (AlarmRule& rule : rules)
        m_watched.push_back({std::move(rule)});
}

std::vector<AlarmEvent> AlarmWatch::take(const AlarmLoop& loop) {
    // The padding where the sweep did not reach holds no levels.
    int reached = int(std::min<qsizetype>(loop.lastCodes.size(), scan::ChannelCount));
    while (reached > 0 && static_cast<unsigned char>(loop.lastCodes[reached - 1]) == PaddingCode)
        --reached;

    std::vector<AlarmEvent> events;
    for (Watched& watched : m_watched) {
        const auto strongest = strongestOf(watched.rule, loop.lastCodes, reached);
        // A loop in which none of the rule's channels gave a level (its groups switched off, the
        // range outside the scan's limits, no reply with a level) says nothing about the band:
        // it neither breaks a run nor adds to one.
        if (!strongest)
            continue;
        const bool above = strongest->dbm >= watched.rule.levelDbm;
        if (above != watched.active) {
            ++watched.run;
        } else {
            watched.run = 0;
            continue;
        }
        if (watched.run < watched.rule.loops)
            continue;
        watched.active = above;
        watched.run = 0;
        events.push_back({above ? AlarmEvent::Kind::Start : AlarmEvent::Kind::End,
                          watched.rule.text, loop.number, loop.start,
                          scan::channelF10(strongest->channel), strongest->dbm});
    }
    return events;
}

} // namespace survey
