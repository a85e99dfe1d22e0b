// SPDX-License-Identifier: MIT
#pragma once

#include "tools/sim/rng.h"

#include <array>
#include <cstdint>

namespace tools::sim {

// The 900 MHz band as the radio hears it: a noise floor, a frequency-hopping neighbour, a steady
// carrier at 915.0 MHz and bursty paging transmitters above 929 MHz. Frequencies are in tenths of
// a MHz (9150 = 915.0 MHz), levels in whole dBm. Every measurement is the next moment of the band,
// so one seed and one sequence of measurements always give the same levels.
class BandModel {
public:
    static constexpr int MinLevel = -130;
    static constexpr int MaxLevel = -30;

    explicit BandModel(std::uint64_t seed);

    int measure(int tenthsMHz);

private:
    struct Pager {
        int centre = 0;
        bool keyed = false;
        int level = 0;
    };

    void stepPagers();

    Rng m_rng;
    std::array<Pager, 3> m_pagers;
};

// Level of a transmitter peaking at `peak` dBm on `centre`, heard at `tuned`; below -130 dBm
// when it is too far away to be heard at all.
int emitterLevel(int centre, int peak, int tuned);

} // namespace tools::sim
