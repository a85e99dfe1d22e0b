// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

namespace survey {

// A share's 95 % confidence interval.
struct ShareInterval {
    double Low = 0;
    double High = 1;

    bool overlaps(const ShareInterval& other) const {
        return Low <= other.High && other.Low <= High;
    }
};

// Loops that follow each other closely are not independent: a channel busy in one loop is likely
// busy in the next. The occupied/free series is taken as a first-order Markov chain, whose lag-1
// autocorrelation rho comes from the share of consecutive pairs both occupied; n loops then
// weigh as n (1 - rho) / (1 + rho) independent ones (never more than n, never fewer than one).
double effectiveSamples(qint64 n, double share, qint64 pairs, qint64 pairsBothOccupied);

// The Wilson score interval at 95 % for a share observed over `samples` independent samples;
// it stays inside 0..1 and is sound for shares near 0 or 1, where most channels sit.
ShareInterval wilsonInterval(double share, double samples);

} // namespace survey
