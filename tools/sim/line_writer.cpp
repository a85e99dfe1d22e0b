// SPDX-License-Identifier: MIT
#include "tools/sim/line_writer.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace tools::sim {

namespace {

constexpr int BitsPerByte = 10; // start bit, eight data bits, stop bit

} // namespace

LineWriter::LineWriter(int fd, Pacing pacing) : m_fd(fd), m_pacing(pacing) {}

void LineWriter::enqueue(QByteArray bytes, Clock::time_point readyAt,
                         std::function<void()> onStart) {
    m_queue.push_back({std::move(bytes), readyAt, std::move(onStart)});
}

Clock::duration LineWriter::byteInterval() const {
    Clock::duration interval = Clock::duration::zero();
    if (m_pacing.baud > 0)
        interval = std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(BitsPerByte)) /
                   m_pacing.baud;
    if (m_pacing.fragment)
        interval = std::max<Clock::duration>(interval, m_pacing.fragmentGap);
    return interval;
}

Clock::duration LineWriter::lineTime(qsizetype bytes) const {
    if (m_pacing.baud <= 0)
        return Clock::duration::zero();
    return std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(BitsPerByte)) * bytes /
           m_pacing.baud;
}

qsizetype LineWriter::nextWriteSize() const {
    const qsizetype remaining = m_queue.front().bytes.size() - m_sent;
    if (m_pacing.fragment)
        return std::min<qsizetype>(remaining, 1);
    if (m_pacing.baud > 0)
        return std::min(remaining, FifoBytes);
    return remaining;
}

std::optional<Clock::time_point> LineWriter::nextDue() const {
    if (m_queue.empty() || m_lineFull)
        return std::nullopt;
    const qsizetype group = std::max<qsizetype>(1, nextWriteSize());
    return std::max(m_queue.front().readyAt, m_nextByteAt) + (group - 1) * byteInterval();
}

void LineWriter::finishFront() {
    m_queue.pop_front();
    m_sent = 0;
}

void LineWriter::writeDue(Clock::time_point now) {
    m_lineFull = false;
    const Clock::duration interval = byteInterval();
    while (!m_queue.empty()) {
        Transmission& front = m_queue.front();
        const Clock::time_point due = std::max(front.readyAt, m_nextByteAt);
        const qsizetype group = nextWriteSize();
        if (now < due + std::max<qsizetype>(0, group - 1) * interval)
            return;
        if (m_sent == 0 && front.onStart) {
            front.onStart();
            front.onStart = nullptr;
        }
        const qsizetype remaining = front.bytes.size() - m_sent;
        if (remaining <= 0) {
            finishFront();
            continue;
        }
        const qsizetype count = group;

        const ssize_t written =
            ::write(m_fd, front.bytes.constData() + m_sent, static_cast<size_t>(count));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                m_lineFull = true;
                return;
            }
            // Nobody can hear this transmission: drop it rather than retry for ever.
            finishFront();
            continue;
        }
        m_sent += written;
        m_nextByteAt = due + written * interval;
        if (m_sent >= front.bytes.size())
            finishFront();
    }
}

} // namespace tools::sim
