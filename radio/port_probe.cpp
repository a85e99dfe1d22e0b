// SPDX-License-Identifier: MIT
#include "radio/port_probe.h"

#include "core/conventions.h"
#include "radio/comm_port.h"
#include "radio/port_directory.h"
#include "radio/protocol.h"
#include "settings/ini_file.h"

namespace radio {

namespace {

constexpr int DefaultSpeed = 4;

} // namespace

bool TestComPort(CommPort& commPort, int port) {
    bool passed = !commPort.PortOpen() || commPort.setPortOpen(false);
    passed = passed && commPort.setCommPort(port);
    passed = passed && commPort.setPortOpen(true);
    passed = passed && commPort.Output(protocol::ProbeText);
    passed = passed && commPort.setPortOpen(false);
    // A port that opened but could not be written is not left open for the next one tested.
    if (commPort.PortOpen())
        commPort.setPortOpen(false);
    commPort.clearError();
    return passed;
}

QList<int> FindComPorts(CommPort& commPort) {
    QList<int> passed;
    for (int port = 1; port <= PortDirectory::PortCount; ++port) {
        if (TestComPort(commPort, port))
            passed.append(port);
    }
    return passed;
}

std::optional<QString> speedSettings(int scrlSpeedValue) {
    switch (scrlSpeedValue) {
    case 1:
        return QStringLiteral("19200,n,8,1");
    case 2:
        return QStringLiteral("38400,n,8,1");
    case 3:
        return QStringLiteral("57600,n,8,1");
    case 4:
        return QStringLiteral("115200,n,8,1");
    default:
        return std::nullopt;
    }
}

int restoredSpeed(const QString& iniText) {
    const double value = core::Val(iniText);
    if (!(value > 0 && value < 5))
        return DefaultSpeed;
    const int speed = static_cast<int>(core::roundHalfEven(value));
    return speed >= 1 && speed <= 4 ? speed : DefaultSpeed;
}

int restoredPort(const QString& iniText) {
    if (iniText == settings::NotSet)
        return 0;
    const double value = core::Val(iniText);
    if (!(value > 0 && value < 15))
        return 0;
    return static_cast<int>(core::roundHalfEven(value));
}

} // namespace radio
