// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

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
    QString logPath;
    QString linkPath;
};

void addSimOptions(QCommandLineParser& parser);

// Reads the options of a parser that has processed the command line; nullopt with a message in
// `error` when a value is not a number in its range.
std::optional<SimOptions> readSimOptions(const QCommandLineParser& parser, QString* error);

} // namespace tools::sim
