// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/broker_address.h"
#include "scan/channel_state.h"
#include "survey/alarm_rule.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>
#include <vector>

namespace tools::record {

struct RecorderOptions {
    QString device; // the serial device, or empty for port
    int port = 0;   // "Com n" through the settings file's port mapping
    int baud = 115200;
    scan::FrequencyLimits limits; // 902.2 - 927.6 MHz
    int attenuation = 0;          // dB
    std::optional<int> loops;     // every scan stops after this many loops
    std::optional<qint64> durationSeconds;
    bool runForever = false;
    QString outputFolder;                        // empty: the Data folder the window uses
    std::optional<fleet::BrokerAddress> publish; // where every finished loop is published
    QString site;                                // the name the loops go under there
    QString caFile;                              // the CA certificate for mqtts://
    std::vector<survey::AlarmRule> alarms;       // level alarms watched loop by loop
    QString onAlarm; // the shell command run at each alarm start and end
};

// What the command line asks for: a run, the help or version text (for stdout), or a usage error
// (for stderr).
struct ShowText {
    QString text;
};
struct UsageError {
    QString message;
};
using ParsedCommandLine = std::variant<RecorderOptions, ShowText, UsageError>;

// arguments without the program's name.
ParsedCommandLine parseRecorderArguments(const QStringList& arguments, const QString& version);

// A frequency in MHz on the channel plan's 0.2 MHz grid, as tenths of a MHz; nullopt otherwise.
std::optional<int> parsePlanFrequency(const QString& text);

QString recorderHelp();

} // namespace tools::record
