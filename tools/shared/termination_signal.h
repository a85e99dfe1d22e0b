// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <functional>

namespace tools {

// SIGINT and SIGTERM call `first` on the thread of `context` from its event loop; a second
// signal ends the program at once with status 1. False when the signals cannot be caught.
bool onTerminationSignal(QObject* context, std::function<void()> first);

} // namespace tools
