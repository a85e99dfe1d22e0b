// SPDX-License-Identifier: MIT
#include "survey/final_levels.h"

#include "survey/level_codes.h"
#include "survey/scan_reader.h"

#include <algorithm>

namespace survey {

namespace {

std::optional<int> levelOf(const QByteArray& codes, int chan) {
    if (chan >= codes.size())
        return std::nullopt;
    const auto code = static_cast<unsigned char>(codes[chan]);
    return isLevelCode(code) ? std::optional<int>(levelDbm(code)) : std::nullopt;
}

} // namespace

FinalLevels finalLevelsOf(const recording::ScanRecord& record) {
    FinalLevels levels;
    levels.Loop = record.LoopNumber;
    // The trailing run of padding in the Last codes is where the sweep did not reach: the Peak
    // and Average codes there are padding too.
    int reached = int(std::min<qsizetype>(record.LastCodes.size(), scan::ChannelCount));
    while (reached > 0 && static_cast<unsigned char>(record.LastCodes[reached - 1]) == PaddingCode)
        --reached;
    for (int chan = 0; chan < reached; ++chan) {
        levels.PeakDbm[chan] = levelOf(record.PeakCodes, chan);
        levels.AverageDbm[chan] = levelOf(record.AverageCodes, chan);
    }
    return levels;
}

std::optional<FinalLevels> readFinalLevels(const QString& path, QString* problem) {
    ScanReader reader;
    if (!reader.open(path)) {
        *problem = reader.errorString();
        return std::nullopt;
    }
    Loop loop;
    while (reader.next(loop)) {
    }
    const auto record = reader.readRecord(reader.loopsRead());
    if (!record) {
        *problem =
            QStringLiteral("%1: loop %2 could not be read").arg(path).arg(reader.loopsRead());
        return std::nullopt;
    }
    return finalLevelsOf(*record);
}

} // namespace survey
