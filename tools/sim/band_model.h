// SPDX-License-Identifier: MIT
#pragma once

#include "tools/sim/rng.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tools::sim {

// A carrier that is switched on and off by sweeps: present for `on` sweeps, then absent for `off`
// sweeps, over and over from the first sweep. It is heard as any transmitter is (emitterLevel).
struct SwitchedCarrier {
    int centre = 0; // tenths of a MHz
    int peak = 0;   // dBm
    int on = 1;
    int off = 0;

    // sweep counts from 1.
    bool presentIn(int sweep) const { return (sweep - 1) % (on + off) < on; }
};

// The 900 MHz band as the radio hears it: a noise floor, a frequency-hopping neighbour, a steady
// carrier at 915.0 MHz and bursty paging transmitters above 929 MHz, and any switched carriers
// given. Frequencies are in tenths of a MHz (9150 = 915.0 MHz), levels in whole dBm. Every
// measurement is the next moment of the band, so one seed and one sequence of measurements always
// give the same levels; switched carriers draw nothing from the seed's sequence.
class BandModel {
public:
    static constexpr int MinLevel = -130;
    static constexpr int MaxLevel = -30;

    explicit BandModel(std::uint64_t seed, std::vector<SwitchedCarrier> carriers = {});

    int measure(int tenthsMHz);
    // The sweep the last measurement belonged to: the first measurement begins sweep 1, and a
    // measurement below the frequency of the one before begins the next sweep. 0 before any.
    int sweep() const { return m_sweep; }

private:
    struct Pager {
        int centre = 0;
        bool keyed = false;
        int level = 0;
    };

    void stepPagers();

    Rng m_rng;
    std::array<Pager, 3> m_pagers;
    std::vector<SwitchedCarrier> m_carriers;
    int m_sweep = 0;
    int m_lastMeasured = 0;
};

// Level of a transmitter peaking at `peak` dBm on `centre`, heard at `tuned`; below -130 dBm
// when it is too far away to be heard at all.
int emitterLevel(int centre, int peak, int tuned);

} // namespace tools::sim
