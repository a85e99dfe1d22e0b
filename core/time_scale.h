// SPDX-License-Identifier: MIT
#pragma once

// Every protocol timer goes through one scale factor; the program runs at 1, tests compress time
// with a smaller one.
namespace core {

double timeScale();
void setTimeScale(double scale);
// The interval a timer of the given milliseconds runs for; at least 1 ms for any positive time.
int scaledMs(int milliseconds);

} // namespace core
