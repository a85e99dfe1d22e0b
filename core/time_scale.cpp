// SPDX-License-Identifier: MIT
#include "core/time_scale.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace core {

namespace {
// Set before the engine's thread starts, read on it: atomic, so that no reader sees it torn.
std::atomic<double> g_timeScale{1.0};
} // namespace

double timeScale() {
    return g_timeScale.load(std::memory_order_relaxed);
}

void setTimeScale(double scale) {
    g_timeScale.store(scale > 0 ? scale : 1.0, std::memory_order_relaxed);
}

int scaledMs(int milliseconds) {
    if (milliseconds <= 0)
        return milliseconds;
    return std::max(1, int(std::lround(milliseconds * timeScale())));
}

} // namespace core
