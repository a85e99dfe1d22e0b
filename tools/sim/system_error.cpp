// SPDX-License-Identifier: MIT
#include "tools/sim/system_error.h"

#include <cerrno>
#include <cstring>

namespace tools::sim {

QString systemError(const char* what) {
    const int error = errno;
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace tools::sim
