// SPDX-License-Identifier: MIT
#include "tools/sim/pty_device.h"

#include "tools/sim/system_error.h"

#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace tools::sim {

PtyDevice::~PtyDevice() {
    if (m_slaveFd >= 0)
        ::close(m_slaveFd);
    if (m_masterFd >= 0)
        ::close(m_masterFd);
}

bool PtyDevice::open(QString* error) {
    m_masterFd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_masterFd < 0) {
        *error = systemError("posix_openpt");
        return false;
    }
    if (::grantpt(m_masterFd) != 0 || ::unlockpt(m_masterFd) != 0) {
        *error = systemError("grantpt/unlockpt");
        return false;
    }
    const char* name = ::ptsname(m_masterFd);
    if (!name) {
        *error = systemError("ptsname");
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);

    m_slaveFd = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slaveFd < 0) {
        *error = systemError("open slave");
        return false;
    }
    termios mode{};
    if (::tcgetattr(m_slaveFd, &mode) != 0) {
        *error = systemError("tcgetattr");
        return false;
    }
    ::cfmakeraw(&mode);
    mode.c_cflag |= CLOCAL | CREAD;
    if (::tcsetattr(m_slaveFd, TCSANOW, &mode) != 0) {
        *error = systemError("tcsetattr");
        return false;
    }

    const int flags = ::fcntl(m_masterFd, F_GETFL);
    if (flags < 0 || ::fcntl(m_masterFd, F_SETFL, flags | O_NONBLOCK) != 0) {
        *error = systemError("fcntl");
        return false;
    }
    return true;
}

} // namespace tools::sim
