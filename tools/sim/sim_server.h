// SPDX-License-Identifier: MIT
#pragma once

#include "tools/sim/band_model.h"
#include "tools/sim/line_writer.h"
#include "tools/sim/radio_protocol.h"
#include "tools/sim/rng.h"
#include "tools/sim/sim_log.h"
#include "tools/sim/sim_options.h"

#include <csignal>

namespace tools::sim {

// Serves the radio on the master side of its pseudo-terminal: reads what the program sends,
// runs it through the protocol and writes the answers, paced and noisy as the options ask.
class SimServer {
public:
    SimServer(const SimOptions& options, int lineFd, SimLog& log);

    // Runs until `stop` is set; signals are delivered only while waiting, with `waitMask` in
    // force. False with a message in `error` when the line fails.
    bool run(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask, QString* error);

private:
    bool receive(QString* error);
    void send(const Answer& answer, Clock::time_point now);

    SimOptions m_options;
    int m_lineFd;
    SimLog& m_log;
    BandModel m_band;
    RadioProtocol m_protocol;
    Rng m_noiseRng;
    LineWriter m_writer;
    Clock::time_point m_receivedUntil; // when the last byte received would have arrived
};

} // namespace tools::sim
