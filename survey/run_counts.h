// SPDX-License-Identifier: MIT
#pragma once

#include "survey/level_codes.h"

#include <QString>

#include <array>
#include <cstddef>
#include <vector>

namespace survey {

// The runs of consecutive occupied loops of one channel, for every threshold at once, so that the
// threshold can change without reading the scan again. At a threshold of -q dBm a loop is
// occupied when its Last code is at most q; a loop without a level ends every run.
//
// The runs still going form a staircase: the lower the threshold, the longer the run, so each
// step is a range of thresholds whose run began at the same loop. A new code ends the steps
// above it at one stroke; ended runs go into a difference table by threshold, so a loop costs
// as many steps as it ends. Lengths are kept exactly up to ExactLengths loops, then by powers
// of two.
class RunCounts {
public:
    static constexpr int ExactLengths = 8;
    static constexpr int LengthClasses = ExactLengths + 32;

    RunCounts();

    void add(unsigned char code);
    // The runs of another channel, for a group; its runs still going count as ended.
    void add(const RunCounts& other);

    // At a threshold of thresholdDbm, the runs ended and still going.
    struct Figures {
        qint64 Runs = 0;
        qint64 Longest = 0;
        int MedianClass = -1; // -1 without runs
    };
    Figures figures(int thresholdDbm) const;

    // In loops: "3"; "9-15" beyond ExactLengths.
    static QString lengthText(int lengthClass);
    static int lengthClass(qint64 length);

private:
    struct Step {
        int LowQ; // the lowest threshold code of the step; the step reaches up to the next one
        qint64 Start;
    };
    static constexpr int Codes = WeakestLevelCode + 1; // q = 1..199; 0 unused

    int highQ(std::size_t step) const;
    void end(int lowQ, int highQ, qint64 length);
    qint32& ended(int lengthClass, int q) {
        return m_endedDiff[std::size_t(lengthClass * (Codes + 1) + q)];
    }

    // Steps from the highest threshold code (the longest run, begun first) to the lowest.
    std::vector<Step> m_steps;
    qint64 m_loops = 0;
    // Ended runs by length class and q: +1 at a step's low q and -1 past its high q.
    std::vector<qint32> m_endedDiff;
    // The longest run ended by a step beginning at q. The longest at q is the greatest of these
    // at q and below: a run at one threshold lies inside a run at any lower threshold.
    std::array<qint64, Codes + 1> m_longestFrom{};
};

} // namespace survey
