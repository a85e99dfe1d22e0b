// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <variant>

namespace survey {

// A level alarm over a run of channels: it is raised when the strongest of them stays at or above
// a level for a number of loops in a row. Written as "GROUP >= LEVEL for N loops" or
// "MHz-MHz >= LEVEL for N loops": "Grp 3 >= -80 for 3 loops", "902.0-904.0 >= -75 dBm for 2
// loops", "Hi 1 >= -90 for 1 loop".
struct AlarmRule {
    // The rule as the program writes it back: "Grp 3 >= -80 dBm for 3 loops",
    // "902.0-904.0 MHz >= -75 dBm for 2 loops". It reads back as the same rule.
    QString text;
    int firstChannel = 0; // channel indexes of the plan, lowest to highest
    int lastChannel = 0;
    double levelDbm = 0;
    int loops = 1;
};

// The rule, or why the text is not one: a group that is not one of the plan's, a range outside
// the band, reversed or holding no channel, a level or a count that is not a number in its range,
// a comma where a decimal point belongs. Numbers are read with a decimal point whatever the
// locale.
std::variant<AlarmRule, QString> parseAlarmRule(const QString& text);

} // namespace survey
