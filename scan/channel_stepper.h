// SPDX-License-Identifier: MIT
#pragma once

#include "scan/channel_state.h"
#include "scan/readings.h"

#include <functional>
#include <optional>

namespace scan {

struct StepHooks {
    // The plan has wrapped: the loop that just ended is complete.
    std::function<void()> endOfLoop;
    // A skipped channel inside the displayed range: its slot is drawn empty.
    std::function<void(int index)> drawSkipped;
};

// Advances the current frequency (f10; 0 before the first request of a scan) to the next channel
// the sweep measures. Skipped channels get their skip code appended to the loop's codes; passing
// 934.0 MHz wraps to 895.8 MHz and ends the loop. Returns the frequency to request, or nullopt when
// a whole lap of the plan finds no channel to measure.
std::optional<int> stepToNextChannel(int& currentFreq, LoopCodes& codes, const GroupBoxes& boxes,
                                     const FrequencyLimits& limits, const StepHooks& hooks);

} // namespace scan
