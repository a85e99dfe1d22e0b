// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace radio {

class CommPort;

// Closes the port if it is open, selects `port`, opens it, writes ProbeText and closes it. True
// when every step succeeded; the port is left closed and its error cleared either way.
bool TestComPort(CommPort& commPort, int port);

// Tests ports 1 ... PortDirectory::PortCount in ascending order and returns those that passed.
// The port is left closed with the last number tested selected.
QList<int> FindComPorts(CommPort& commPort);

// The line settings selected by the "Scan Speed" position 1 ... 4 ("19200,n,8,1" ...
// "115200,n,8,1"); nullopt for any other position, which leaves the port's settings as they are.
std::optional<QString> speedSettings(int scrlSpeedValue);

// The "Scan Speed" position kept in the settings file: its numeric value v when 0 < v < 5,
// rounded to a whole number with halves to even; 4 (115200 baud) for anything else, including a
// value that rounds to 0 or 5.
int restoredSpeed(const QString& iniText);

// The port number kept in the settings file: unless the text is "NOT SET", its numeric value v
// when 0 < v < 15, rounded to a whole number with halves to even; 0 (no valid port) otherwise.
int restoredPort(const QString& iniText);

} // namespace radio
