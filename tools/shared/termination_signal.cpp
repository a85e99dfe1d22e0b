// SPDX-License-Identifier: MIT
#include "tools/shared/termination_signal.h"

#include <QSocketNotifier>

#include <csignal>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

namespace tools {

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

} // namespace

bool onTerminationSignal(QObject* context, std::function<void()> first) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return false;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context,
                     [first = std::move(first), received = 0]() mutable {
                         char byte = 0;
                         [[maybe_unused]] const ssize_t read = ::read(g_signalPipe[0], &byte, 1);
                         if (++received > 1)
                             std::_Exit(1);
                         first();
                     });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return true;
}

} // namespace tools
