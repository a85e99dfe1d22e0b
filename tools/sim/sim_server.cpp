// SPDX-License-Identifier: MIT
#include "tools/sim/sim_server.h"

#include "tools/sim/line_noise.h"
#include "tools/sim/system_error.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace tools::sim {

namespace {

// Line noise draws from its own generator, so that the levels do not depend on --noise.
constexpr std::uint64_t NoiseSeedSalt = 0x6e6f697365ULL;
constexpr int ReadChunk = 4096;

ProtocolOptions protocolOptions(const SimOptions& options) {
    ProtocolOptions protocol;
    protocol.closedAfter = options.closedAfter;
    protocol.silentAfter = options.silentAfter;
    protocol.deaf = options.deaf;
    protocol.sleepThrough = options.sleepThrough;
    protocol.passCode = options.passCode.toLatin1();
    protocol.zeroLevelAt = options.zeroLevelAt;
    return protocol;
}

Pacing pacing(const SimOptions& options) {
    Pacing pacing;
    pacing.baud = options.baud;
    pacing.fragment = options.fragment;
    pacing.fragmentGap = std::chrono::microseconds(options.fragmentGapUs);
    return pacing;
}

} // namespace

SimServer::SimServer(const SimOptions& options, int lineFd, SimLog& log)
    : m_options(options), m_lineFd(lineFd), m_log(log), m_band(options.seed, options.carriers),
      m_protocol(protocolOptions(options), m_band), m_noiseRng(options.seed ^ NoiseSeedSalt),
      m_writer(lineFd, pacing(options)) {}

bool SimServer::run(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask,
                    QString* error) {
    while (!stop) {
        m_writer.writeDue(Clock::now());

        pollfd line{m_lineFd, POLLIN, 0};
        if (m_writer.lineFull())
            line.events |= POLLOUT;
        timespec timeout{};
        timespec* wait = nullptr;
        if (const auto due = m_writer.nextDue()) {
            const auto left = std::max(*due - Clock::now(), Clock::duration::zero());
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
            timeout.tv_sec = seconds.count();
            timeout.tv_nsec = std::chrono::nanoseconds(left - seconds).count();
            wait = &timeout;
        }
        const int ready = ::ppoll(&line, 1, wait, &waitMask);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            *error = systemError("ppoll");
            return false;
        }
        if ((line.revents & POLLIN) && !receive(error))
            return false;
        if ((line.revents & (POLLERR | POLLNVAL)) ||
            ((line.revents & POLLHUP) && !(line.revents & POLLIN))) {
            *error = QStringLiteral("the pseudo-terminal failed");
            return false;
        }
    }
    return true;
}

bool SimServer::receive(QString* error) {
    char buffer[ReadChunk];
    const ssize_t count = ::read(m_lineFd, buffer, sizeof buffer);
    if (count < 0) {
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
            return true;
        *error = systemError("read");
        return false;
    }
    const QByteArray bytes(buffer, static_cast<qsizetype>(count));
    m_log.received(bytes);
    // The request reaches the radio at the line rate too: it answers once the last byte is in.
    const Clock::time_point now = Clock::now();
    m_receivedUntil = std::max(m_receivedUntil, now) + m_writer.lineTime(bytes.size());
    for (const Answer& answer : m_protocol.feed(bytes))
        send(answer, m_receivedUntil);
    return true;
}

void SimServer::send(const Answer& answer, Clock::time_point now) {
    QByteArray bytes = answer.text;
    std::function<void()> onStart;
    switch (answer.kind) {
    case Answer::Kind::Level:
        bytes += lineNoise(m_noiseRng, m_options.noise);
        onStart = [this, answer] { m_log.level(answer.tenthsMHz, answer.level); };
        break;
    case Answer::Kind::Unlock:
        onStart = [this] { m_log.unlocked(); };
        break;
    case Answer::Kind::Closed:
        onStart = [this] { m_log.closed(); };
        break;
    case Answer::Kind::Prompt:
        break;
    }
    m_writer.enqueue(bytes, now + std::chrono::milliseconds(m_options.latencyMs),
                     std::move(onStart));
}

} // namespace tools::sim
