// SPDX-License-Identifier: MIT
#pragma once

#include "tools/sim/rng.h"

#include <QByteArray>

namespace tools::sim {

// Bytes that line noise never holds, so that it can form no level ("-"), no echo ("RX"), no
// terminator or prompt ("dBm" CR LF "SETUP>") and no "CLOSED".
inline constexpr char NoiseExcluded[] = {'-', 'R', 'X', 'C', 'd', 'S', '\r', '\n'};

QByteArray lineNoise(Rng& rng, int count);

} // namespace tools::sim
