// SPDX-License-Identifier: MIT
#include "survey/occupancy_interval.h"

#include <algorithm>
#include <cmath>

namespace survey {

namespace {

constexpr double Z95 = 1.959964;

} // namespace

double effectiveSamples(qint64 n, double share, qint64 pairs, qint64 pairsBothOccupied) {
    if (n <= 1)
        return double(n);
    double rho = 0;
    const double variance = share * (1 - share);
    if (pairs > 0 && variance > 0)
        rho = (double(pairsBothOccupied) / double(pairs) - share * share) / variance;
    rho = std::clamp(rho, 0.0, 0.999);
    return std::clamp(double(n) * (1 - rho) / (1 + rho), 1.0, double(n));
}

ShareInterval wilsonInterval(double share, double samples) {
    if (samples <= 0)
        return {};
    const double z2n = Z95 * Z95 / samples;
    const double centre = (share + z2n / 2) / (1 + z2n);
    const double half =
        Z95 * std::sqrt(share * (1 - share) / samples + z2n / (4 * samples)) / (1 + z2n);
    return {std::max(0.0, centre - half), std::min(1.0, centre + half)};
}

} // namespace survey
