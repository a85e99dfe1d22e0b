// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace tools::sim {

// A pseudo-terminal whose slave side is the radio's serial device. The slave is put in raw mode
// (no echo, no CR/LF translation) and kept open here, so that a program opening and closing the
// device never makes the master side hang up.
class PtyDevice {
public:
    PtyDevice() = default;
    ~PtyDevice();
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    // False with a message in `error` when the pseudo-terminal cannot be set up.
    bool open(QString* error);

    int masterFd() const { return m_masterFd; }
    const QString& slavePath() const { return m_slavePath; }

private:
    int m_masterFd = -1;
    int m_slaveFd = -1;
    QString m_slavePath;
};

} // namespace tools::sim
