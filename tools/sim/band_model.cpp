// SPDX-License-Identifier: MIT
#include "tools/sim/band_model.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace tools::sim {

namespace {

constexpr int Inaudible = BandModel::MinLevel - 1;

constexpr int FloorLow = -111;
constexpr int FloorHigh = -104;

// The neighbour hops over the 0.2 MHz raster from 902.0 to 928.0 MHz, one hop per measurement.
constexpr int HopFirst = 9020;
constexpr int HopStep = 2;
constexpr int HopChannels = (9280 - HopFirst) / HopStep + 1;
constexpr int HopLow = -80;
constexpr int HopHigh = -60;

constexpr int CarrierCentre = 9150;
constexpr int CarrierPeak = -55;

constexpr std::array<int, 3> PagerCentres = {9296, 9312, 9319};
constexpr int PagerLow = -70;
constexpr int PagerHigh = -50;
// Mean length of a pager's burst and of its pauses, in measurements.
constexpr int PagerBurst = 60;
constexpr int PagerPause = 120;

} // namespace

int emitterLevel(int centre, int peak, int tuned) {
    switch (std::abs(tuned - centre)) {
    case 0:
        return peak;
    case 1:
        return peak - 7;
    case 2:
        return peak - 25;
    default:
        return Inaudible;
    }
}

BandModel::BandModel(std::uint64_t seed, std::vector<SwitchedCarrier> carriers)
    : m_rng(seed), m_carriers(std::move(carriers)) {
    for (std::size_t i = 0; i < m_pagers.size(); ++i) {
        m_pagers[i].centre = PagerCentres[i];
        m_pagers[i].keyed = m_rng.oneIn(3);
        m_pagers[i].level = m_rng.between(PagerLow, PagerHigh);
    }
}

void BandModel::stepPagers() {
    for (Pager& pager : m_pagers) {
        // Both draws happen every step so that the sequence never depends on the pager's state.
        const bool toggles = m_rng.oneIn(pager.keyed ? PagerBurst : PagerPause);
        const int burstLevel = m_rng.between(PagerLow, PagerHigh);
        if (toggles) {
            pager.keyed = !pager.keyed;
            if (pager.keyed)
                pager.level = burstLevel;
        }
    }
}

int BandModel::measure(int tenthsMHz) {
    if (m_sweep == 0 || tenthsMHz < m_lastMeasured)
        ++m_sweep;
    m_lastMeasured = tenthsMHz;
    stepPagers();
    const int floor = m_rng.between(FloorLow, FloorHigh);
    const int hop = HopFirst + HopStep * m_rng.below(HopChannels);
    const int hopLevel = m_rng.between(HopLow, HopHigh);
    const int jitter = m_rng.between(-1, 1);

    int level = floor;
    if (tenthsMHz == hop)
        level = std::max(level, hopLevel);
    level = std::max(level, emitterLevel(CarrierCentre, CarrierPeak + jitter, tenthsMHz));
    for (const Pager& pager : m_pagers) {
        if (pager.keyed)
            level = std::max(level, emitterLevel(pager.centre, pager.level + jitter, tenthsMHz));
    }
    for (const SwitchedCarrier& carrier : m_carriers) {
        if (carrier.presentIn(m_sweep))
            level = std::max(level, emitterLevel(carrier.centre, carrier.peak, tenthsMHz));
    }
    return std::clamp(level, MinLevel, MaxLevel);
}

} // namespace tools::sim
