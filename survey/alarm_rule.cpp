// SPDX-License-Identifier: MIT
#include "survey/alarm_rule.h"

#include "scan/channel_plan.h"
#include "survey/channel_groups.h"

#include <QRegularExpression>

#include <cmath>

namespace survey {

namespace {

constexpr int WeakestDbm = -199;
constexpr int StrongestDbm = 0;
constexpr int MostLoops = 1000000;
// Frequencies are compared to a channel's within this much, so that 902.2 is the channel 902.2.
constexpr double MhzSlack = 1e-6;

const QString Form = QStringLiteral("write GROUP >= LEVEL for N loops or MHz-MHz >= LEVEL for N "
                                    "loops, such as Grp 3 >= -80 for 3 loops");

QString groupList() {
    QStringList captions;
    for (const ChannelGroup& group : channelGroups())
        captions << group.Caption;
    return captions.join(QStringLiteral(", "));
}

// A number written with digits and at most one decimal point; C conversion, never the locale's.
bool readNumber(const QString& text, double* value) {
    static const QRegularExpression Number(QStringLiteral(R"(^[+-]?\d+(\.\d+)?$)"));
    if (!Number.match(text).hasMatch())
        return false;
    *value = text.toDouble();
    return std::isfinite(*value);
}

int decimalsOf(const QString& number) {
    const qsizetype point = number.indexOf(QLatin1Char('.'));
    return point < 0 ? 0 : int(number.size() - point - 1);
}

// The channels of a group caption or of a MHz-MHz range, with the target as written back.
std::variant<AlarmRule, QString> readTarget(const QString& target) {
    static const QRegularExpression Range(
        QStringLiteral(R"(^(\d+(?:\.\d+)?)\s*-\s*(\d+(?:\.\d+)?)(?:\s*MHz)?$)"),
        QRegularExpression::CaseInsensitiveOption);
    AlarmRule rule;
    if (const QRegularExpressionMatch range = Range.match(target); range.hasMatch()) {
        const double low = range.captured(1).toDouble();
        const double high = range.captured(2).toDouble();
        const double bandLow = scan::FirstChannelF10 / 10.0;
        const double bandHigh = scan::LastChannelF10 / 10.0;
        if (low > high)
            return QStringLiteral("the range %1 is reversed: the lower frequency goes first")
                .arg(target);
        if (low < bandLow - MhzSlack || high > bandHigh + MhzSlack)
            return QStringLiteral("the range %1 lies outside the band, 895.8-934.0 MHz")
                .arg(target);
        rule.firstChannel = -1;
        for (int chan = 0; chan < scan::ChannelCount; ++chan) {
            const double mhz = scan::channelF10(chan) / 10.0;
            if (mhz < low - MhzSlack || mhz > high + MhzSlack)
                continue;
            if (rule.firstChannel < 0)
                rule.firstChannel = chan;
            rule.lastChannel = chan;
        }
        if (rule.firstChannel < 0)
            return QStringLiteral("the range %1 holds no channel (they lie 0.2 MHz apart from "
                                  "895.8 MHz)")
                .arg(target);
        const auto written = [](double mhz, const QString& typed) {
            return QString::number(mhz, 'f', std::max(1, decimalsOf(typed)));
        };
        rule.text = written(low, range.captured(1)) + QLatin1Char('-') +
                    written(high, range.captured(2)) + QStringLiteral(" MHz");
        return rule;
    }
    for (const ChannelGroup& group : channelGroups()) {
        if (target.simplified().compare(group.Caption, Qt::CaseInsensitive) == 0) {
            rule.text = group.Caption;
            rule.firstChannel = group.FirstChannel;
            rule.lastChannel = group.lastChannel();
            return rule;
        }
    }
    if (target.contains(QLatin1Char(',')))
        return QStringLiteral("%1: write frequencies with a decimal point (902.0-904.0)")
            .arg(target);
    return QStringLiteral("%1 is neither a channel group (%2) nor a frequency range MHz-MHz")
        .arg(target, groupList());
}

} // namespace

std::variant<AlarmRule, QString> parseAlarmRule(const QString& text) {
    const QString written = text.simplified();
    const qsizetype at = written.indexOf(QStringLiteral(">="));
    if (at < 0)
        return QStringLiteral("the alarm %1 has no >=: %2").arg(text, Form);
    const QString target = written.left(at).trimmed();
    const QString condition = written.mid(at + 2).trimmed();

    static const QRegularExpression Condition(
        QStringLiteral(R"(^(\S+?)\s*(?:dBm)?\s+for\s+(\S+)\s+loops?$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch parts = Condition.match(condition);
    if (target.isEmpty() || !parts.hasMatch())
        return QStringLiteral("the alarm %1 is not in the form: %2").arg(text, Form);

    std::variant<AlarmRule, QString> read = readTarget(target);
    if (const auto* why = std::get_if<QString>(&read))
        return QStringLiteral("the alarm %1: %2").arg(text, *why);
    AlarmRule rule = std::get<AlarmRule>(read);

    const QString level = parts.captured(1);
    if (!readNumber(level, &rule.levelDbm))
        return QStringLiteral("the alarm %1: the level %2 is not a number of dBm%3")
            .arg(text, level,
                 level.contains(QLatin1Char(','))
                     ? QStringLiteral(" (write a decimal point, not a comma)")
                     : QString());
    if (rule.levelDbm < WeakestDbm || rule.levelDbm > StrongestDbm)
        return QStringLiteral("the alarm %1: the level %2 dBm lies outside -199 to 0 dBm")
            .arg(text, level);

    const QString loops = parts.captured(2);
    bool whole = false;
    rule.loops = loops.toInt(&whole);
    if (!whole || loops.startsWith(QLatin1Char('+')) || rule.loops < 1 || rule.loops > MostLoops)
        return QStringLiteral("the alarm %1: the number of loops %2 is not a whole number from 1 "
                              "to %3")
            .arg(text, loops)
            .arg(MostLoops);

    rule.text += QStringLiteral(" >= %1 dBm for %2 %3")
                     .arg(QString::number(rule.levelDbm))
                     .arg(rule.loops)
                     .arg(rule.loops == 1 ? QStringLiteral("loop") : QStringLiteral("loops"));
    return rule;
}

} // namespace survey
