// SPDX-License-Identifier: MIT
#pragma once

// Every protocol timer and wait goes through one scale factor; the program runs at 1, tests
// compress time with a smaller one.
namespace core {

double timeScale();
void setTimeScale(double scale);
int scaledMs(int milliseconds);

// Waits the given (scaled) time on a monotonic clock, processing pending events unless noEvents.
void Wait(int milliseconds, bool noEvents = false);

} // namespace core
