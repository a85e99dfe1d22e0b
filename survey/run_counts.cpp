// SPDX-License-Identifier: MIT
#include "survey/run_counts.h"

#include <algorithm>
#include <numeric>

namespace survey {

namespace {

int thresholdCode(int thresholdDbm) {
    return std::min(-thresholdDbm, int(WeakestLevelCode));
}

} // namespace

RunCounts::RunCounts() : m_endedDiff(std::size_t(LengthClasses * (Codes + 1)), 0) {}

int RunCounts::lengthClass(qint64 length) {
    if (length <= ExactLengths)
        return int(length) - 1;
    int log2 = 0;
    while ((qint64(2) << log2) <= length)
        ++log2;
    return std::min(ExactLengths + log2 - 3, LengthClasses - 1);
}

QString RunCounts::lengthText(int lengthClass) {
    if (lengthClass < ExactLengths)
        return QString::number(lengthClass + 1);
    const qint64 low = qint64(1) << (lengthClass - ExactLengths + 3);
    return QStringLiteral("%1-%2").arg(std::max<qint64>(low, ExactLengths + 1)).arg(2 * low - 1);
}

int RunCounts::highQ(std::size_t step) const {
    return step == 0 ? int(WeakestLevelCode) : m_steps[step - 1].LowQ - 1;
}

void RunCounts::end(int lowQ, int highQ, qint64 length) {
    const int c = lengthClass(length);
    ++ended(c, lowQ);
    --ended(c, highQ + 1);
    m_longestFrom[std::size_t(lowQ)] = std::max(m_longestFrom[std::size_t(lowQ)], length);
}

void RunCounts::add(unsigned char code) {
    const qint64 now = m_loops++;
    const int k = isLevelCode(code) ? int(code) : Codes; // no level: every run ends
    while (!m_steps.empty() && highQ(m_steps.size() - 1) < k) {
        end(m_steps.back().LowQ, highQ(m_steps.size() - 1), now - m_steps.back().Start);
        m_steps.pop_back();
    }
    if (!m_steps.empty() && m_steps.back().LowQ < k) {
        end(m_steps.back().LowQ, k - 1, now - m_steps.back().Start);
        m_steps.back().LowQ = k;
    }
    if (k < Codes && (m_steps.empty() || m_steps.back().LowQ > k))
        m_steps.push_back({k, now});
}

void RunCounts::add(const RunCounts& other) {
    for (std::size_t i = 0; i < m_endedDiff.size(); ++i)
        m_endedDiff[i] += other.m_endedDiff[i];
    for (std::size_t q = 0; q < m_longestFrom.size(); ++q)
        m_longestFrom[q] = std::max(m_longestFrom[q], other.m_longestFrom[q]);
    for (std::size_t i = 0; i < other.m_steps.size(); ++i)
        end(other.m_steps[i].LowQ, other.highQ(i), other.m_loops - other.m_steps[i].Start);
}

RunCounts::Figures RunCounts::figures(int thresholdDbm) const {
    Figures f;
    const int q = thresholdCode(thresholdDbm);
    if (q < 1)
        return f;
    std::array<qint64, LengthClasses> byClass{};
    for (int c = 0; c < LengthClasses; ++c) {
        const qint32* diff = &m_endedDiff[std::size_t(c * (Codes + 1))];
        byClass[std::size_t(c)] = std::accumulate(diff, diff + q + 1, qint64(0));
    }
    for (int lowQ = 1; lowQ <= q; ++lowQ)
        f.Longest = std::max(f.Longest, m_longestFrom[std::size_t(lowQ)]);
    for (std::size_t i = 0; i < m_steps.size(); ++i) {
        if (m_steps[i].LowQ <= q && q <= highQ(i)) {
            const qint64 length = m_loops - m_steps[i].Start;
            ++byClass[std::size_t(lengthClass(length))];
            f.Longest = std::max(f.Longest, length);
        }
    }
    for (const qint64 n : byClass)
        f.Runs += n;
    qint64 seen = 0;
    for (int c = 0; c < LengthClasses && f.Runs > 0; ++c) {
        seen += byClass[std::size_t(c)];
        if (2 * seen >= f.Runs) {
            f.MedianClass = c;
            break;
        }
    }
    return f;
}

} // namespace survey
