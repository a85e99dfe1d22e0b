// SPDX-License-Identifier: MIT
#include "scan/channel_stepper.h"

namespace scan {

std::optional<int> stepToNextChannel(int& currentFreq, LoopCodes& codes, const GroupBoxes& boxes,
                                     const FrequencyLimits& limits, const StepHooks& hooks) {
    bool advance = currentFreq != 0;
    if (!advance)
        currentFreq = FirstChannelF10;

    for (int visited = 0; visited <= ChannelCount; ++visited) {
        if (advance) {
            currentFreq += ChannelStepF10;
            if (currentFreq > LastChannelF10) {
                currentFreq = FirstChannelF10;
                if (hooks.endOfLoop)
                    hooks.endOfLoop();
            }
        }
        advance = true;

        const int index = channelIndexFromF10(currentFreq);
        const ChannelVerdict verdict = ChannelState(index, boxes, limits);
        if (verdict == ChannelVerdict::Measure)
            return currentFreq;
        codes.appendToAll(skipCode(verdict));
        if (limits.contains(currentFreq) && hooks.drawSkipped)
            hooks.drawSkipped(index);
    }
    return std::nullopt;
}

} // namespace scan
