// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>

namespace tools::sim {

using Clock = std::chrono::steady_clock;

struct Pacing {
    int baud = 0;                               // 0: as fast as the line takes the bytes
    bool fragment = false;                      // one byte per write()
    std::chrono::microseconds fragmentGap{200}; // least time between two fragments
};

// Sends the radio's answers on a non-blocking descriptor in order, each not before its ready
// time. At a line rate every byte takes ten bit times; byte times are counted from the previous
// byte's scheduled time, not from when the write happened, so a late wake-up does not slow the
// line down. Paced bytes leave in groups of up to FifoBytes, each group when its last byte is due,
// as a serial port's receive FIFO hands them on: the end of an answer arrives exactly on time.
class LineWriter {
public:
    static constexpr qsizetype FifoBytes = 16;

    LineWriter(int fd, Pacing pacing);

    // The time the given number of bytes takes on the line; zero when not paced at a line rate.
    Clock::duration lineTime(qsizetype bytes) const;

    // `onStart` runs when the first byte goes out.
    void enqueue(QByteArray bytes, Clock::time_point readyAt, std::function<void()> onStart = {});

    void writeDue(Clock::time_point now);

    // When writeDue has more to write; nullopt when there is nothing or the line is full.
    std::optional<Clock::time_point> nextDue() const;

    // The last write found the line full: wait until the descriptor is writable.
    bool lineFull() const { return m_lineFull; }

private:
    struct Transmission {
        QByteArray bytes;
        Clock::time_point readyAt;
        std::function<void()> onStart;
    };

    Clock::duration byteInterval() const;
    // Bytes of the front transmission that go out in the next write.
    qsizetype nextWriteSize() const;
    void finishFront();

    int m_fd;
    Pacing m_pacing;
    std::deque<Transmission> m_queue;
    qsizetype m_sent = 0; // bytes of the front transmission already written
    Clock::time_point m_nextByteAt;
    bool m_lineFull = false;
};

} // namespace tools::sim
