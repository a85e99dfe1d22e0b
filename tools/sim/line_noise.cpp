// SPDX-License-Identifier: MIT
#include "tools/sim/line_noise.h"

#include <algorithm>
#include <iterator>

namespace tools::sim {

QByteArray lineNoise(Rng& rng, int count) {
    QByteArray noise;
    noise.reserve(count);
    while (noise.size() < count) {
        const char byte = static_cast<char>(rng.below(256));
        if (std::find(std::begin(NoiseExcluded), std::end(NoiseExcluded), byte) ==
            std::end(NoiseExcluded))
            noise.append(byte);
    }
    return noise;
}

} // namespace tools::sim
