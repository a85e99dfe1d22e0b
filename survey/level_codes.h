// SPDX-License-Identifier: MIT
#pragma once

#include "scan/channel_state.h"

// What a Last code of a recorded loop says about its channel. Codes 1..199 are levels (95 means
// -95 dBm); 0 is a reply that brought no usable level; 200 and 201 are channels the sweep
// skipped. A loop's trailing run of 32s is padding where the sweep did not reach: readers turn it
// into NoReadingCode before anything else sees the loop.
namespace survey {

constexpr unsigned char NoReadingCode = 0;
constexpr unsigned char PaddingCode = 32;
constexpr unsigned char WeakestLevelCode = 199;
constexpr unsigned char HighestValidCode = scan::OutOfRangeCode;

constexpr bool isLevelCode(unsigned char code) {
    return code >= 1 && code <= WeakestLevelCode;
}

constexpr int levelDbm(unsigned char code) {
    return -int(code);
}

// A level code is at or above a threshold (dBm) when its level is as strong or stronger.
constexpr bool reachesThreshold(unsigned char code, int thresholdDbm) {
    return isLevelCode(code) && levelDbm(code) >= thresholdDbm;
}

} // namespace survey
