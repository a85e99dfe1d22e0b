// SPDX-License-Identifier: MIT
#pragma once

#include "tools/sim/band_model.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class QCommandLineParser;

namespace tools::sim {

struct SimOptions {
    static constexpr std::uint64_t DefaultSeed = 1;

    std::uint64_t seed = DefaultSeed;
    int latencyMs = 0;
    int baud = 0; // 0: no pacing
    bool fragment = false;
    int fragmentGapUs = 200;
    int noise = 0;
    std::optional<int> silentAfter;
    std::optional<int> closedAfter;
    bool deaf = false;
    int sleepThrough = 0;
    QString passCode = QStringLiteral("QK47");
    std::optional<int> zeroLevelAt;
    std::vector<SwitchedCarrier> carriers;
    QString logPath;
    QString linkPath;
};

void addSimOptions(QCommandLineParser& parser);

// "MHZ:DBM:ON:OFF" (910.0:-40:3:4), as --carrier takes it; nullopt with the reason otherwise.
std::optional<SwitchedCarrier> parseSwitchedCarrier(const QString& text, QString* error);

// Reads the options of a parser that has processed the command line; nullopt with a message in
// `error` when a value is not a number in its range.
std::optional<SimOptions> readSimOptions(const QCommandLineParser& parser, QString* error);

} // namespace tools::sim
