// SPDX-License-Identifier: MIT
#include "scan/channel_plan.h"

#include "core/conventions.h"

namespace scan {

double channelMhz(int index) {
    return 895.8 + 0.2 * index;
}

std::optional<int> channelIndexFromMhz(double mhz) {
    return core::CLng((mhz - 895.8) / 0.2);
}

QString frequencyText(int f10) {
    return core::formatFreq(f10 / 10.0);
}

QString frequencyCaption(int f10) {
    return frequencyText(f10) + QStringLiteral(" mHz");
}

} // namespace scan
