// SPDX-License-Identifier: MIT
#include "tools/sim/device_link.h"
#include "tools/sim/pty_device.h"
#include "tools/sim/sim_log.h"
#include "tools/sim/sim_options.h"
#include "tools/sim/sim_server.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) {
    stopRequested = 1;
}

// SIGTERM, SIGINT and SIGHUP stay blocked except while the server waits, so that a stop request
// can never slip in between checking the flag and starting to wait. Returns the mask to wait with.
sigset_t installStopHandlers() {
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &action, nullptr);
        sigaddset(&stopSignals, signal);
    }
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t waitMask;
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    return waitMask;
}

int fail(const QString& message) {
    std::fprintf(stderr, "ternaflow-sim: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    using namespace tools::sim;

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ternaflow-sim"));
    QCommandLineParser parser;
    addSimOptions(parser);
    parser.process(app);
    QString error;
    const std::optional<SimOptions> options = readSimOptions(parser, &error);
    if (!options)
        return fail(error);

    const sigset_t waitMask = installStopHandlers();
#ifdef PR_SET_TIMERSLACK
    // Paced bytes are due at exact times; the default slack would make every wake-up late.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif

    PtyDevice device;
    if (!device.open(&error))
        return fail(error);
    DeviceLink link;
    if (!options->linkPath.isEmpty() && !link.create(device.slavePath(), options->linkPath, &error))
        return fail(error);
    SimLog log;
    if (!log.open(options->logPath))
        return fail(QStringLiteral("cannot write the log %1").arg(options->logPath));

    std::printf("%s\n", qPrintable(device.slavePath()));
    std::fflush(stdout);

    SimServer server(*options, device.masterFd(), log);
    if (!server.run(stopRequested, waitMask, &error))
        return fail(error);
    return 0;
}
