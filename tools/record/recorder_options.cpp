// SPDX-License-Identifier: MIT
#include "tools/record/recorder_options.h"

#include "core/conventions.h"

#include "scan/channel_plan.h"

#include <QSysInfo>

#include <cmath>

namespace tools::record {

namespace {

const QStringList LineSpeeds{QStringLiteral("19200"), QStringLiteral("38400"),
                             QStringLiteral("57600"), QStringLiteral("115200")};

std::optional<int> parseWhole(const QString& text, int low, int high) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

QString recorderHelp() {
    return QStringLiteral(
        "Usage: korlan-record [options]\n"
        "Records scans of the 900 MHz band through the radio on a serial port, without a "
        "window.\n"
        "Every finished loop is written to lastScan.dat at once; an ended scan is saved under its\n"
        "default name (yyyy-mm-dd_hh-mm-ss.dat). One line is printed per finished loop.\n"
        "\n"
        "  --device PATH       the serial device (/dev/ttyUSB0)\n"
        "  --port N            \"Com N\" as the settings file maps it (1 to 10)\n"
        "  --speed BAUD        19200, 38400, 57600 or 115200 (default 115200)\n"
        "  --low MHZ           lower frequency limit (default 902.2; 895.8 to 934.0, 0.2 steps)\n"
        "  --high MHZ          upper frequency limit (default 927.6)\n"
        "  --attenuation DB    the external attenuator, 0 to 100 dB (default 0)\n"
        "  --loops N           stop each scan after N loops\n"
        "  --duration TIME     stop after TIME (90s, 30m, 12h, 2d) at the end of the loop\n"
        "  --forever           reconnect after the radio stops answering or leaves its setup\n"
        "                      mode, saving each ended scan\n"
        "  --output DIR        the folder to save in (default: the analyser's Data folder)\n"
        "  --publish URL       publish every finished loop to the MQTT broker at URL:\n"
        "                      mqtt://[user[:password]@]host[:port][/prefix] or mqtts://...\n"
        "                      (default port 1883, 8883 with TLS; default prefix korlan)\n"
        "  --site NAME         the site's name in the topics (default: the host name)\n"
        "  --ca-file FILE      the CA certificate that signed an mqtts:// broker's\n"
        "  --alarm RULE        watch a level alarm, printing a line when it starts and when it\n"
        "                      ends; RULE is 'GROUP >= LEVEL for N loops' or 'MHz-MHz >= LEVEL\n"
        "                      for N loops' ('Grp 3 >= -80 for 3 loops', '902.0-904.0 >= -75\n"
        "                      dBm for 2 loops'); may be given more than once\n"
        "  --on-alarm COMMAND  run COMMAND with /bin/sh -c at each alarm start and end, without\n"
        "                      waiting for it; its output goes to standard error\n"
        "  --help, --version\n"
        "\n"
        "SIGINT or SIGTERM ends the scan at once: every finished loop is saved.\n"
        "Publishing never holds the scan up: loops the broker has not acknowledged wait in the\n"
        "scan files and follow, in order, when it can be reached, also after a restart.\n"
        "\n"
        "An alarm starts at the loop that completes N loops in a row in which the strongest\n"
        "level among its channels is at or above LEVEL, and ends after N loops in a row below\n"
        "it; loops in which none of its channels gave a level do not count. A line is printed\n"
        "at each start and end:\n"
        "  alarm start  Grp 3 >= -80 dBm for 3 loops  loop 12  910.0 MHz -55 dBm\n"
        "The command's environment holds KORLAN_ALARM (start or end), KORLAN_ALARM_RULE,\n"
        "KORLAN_ALARM_LOOP, KORLAN_ALARM_TIME (the loop's start, ISO 8601), KORLAN_ALARM_MHZ\n"
        "and KORLAN_ALARM_DBM (the strongest channel), and KORLAN_SITE with --site or\n"
        "--publish. With --publish each start and end also goes to <prefix>/<site>/alarm.\n"
        "Exit status: 0 when the scans were recorded and saved, 1 when the radio, the port or the\n"
        "files failed, 2 for a usage error.\n");
}

std::optional<int> parsePlanFrequency(const QString& text) {
    bool ok = false;
    const double mhz = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(mhz))
        return std::nullopt;
    const double tenths = mhz * 10.0;
    const double f10 = std::round(tenths);
    if (std::fabs(tenths - f10) > 1e-6 || f10 < scan::FirstChannelF10 || f10 > scan::LastChannelF10)
        return std::nullopt;
    const int whole = int(f10);
    if ((whole - scan::FirstChannelF10) % scan::ChannelStepF10 != 0)
        return std::nullopt;
    return whole;
}

ParsedCommandLine parseRecorderArguments(const QStringList& arguments, const QString& version) {
    RecorderOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& name = arguments[i];
        if (name == QLatin1String("--help") || name == QLatin1String("-h"))
            return ShowText{recorderHelp()};
        if (name == QLatin1String("--version"))
            return ShowText{QStringLiteral("korlan-record ") + version + QLatin1Char('\n')};
        if (name == QLatin1String("--forever")) {
            options.runForever = true;
            continue;
        }
        static const QStringList WithValue{"--device", "--port",    "--speed",    "--low",
                                           "--high",   "--loops",   "--duration", "--attenuation",
                                           "--output", "--publish", "--site",     "--ca-file",
                                           "--alarm",  "--on-alarm"};
        if (!WithValue.contains(name))
            return UsageError{QStringLiteral("unknown option %1").arg(name)};
        if (i + 1 >= arguments.size())
            return UsageError{QStringLiteral("%1 needs a value").arg(name)};
        const QString value = arguments[++i];
        const auto bad = [&](const QString& expected) {
            return UsageError{QStringLiteral("%1 %2: %3").arg(name, value, expected)};
        };
        if (name == QLatin1String("--device")) {
            if (value.isEmpty())
                return bad(QStringLiteral("expected a device path"));
            options.device = value;
        } else if (name == QLatin1String("--port")) {
            const auto port = parseWhole(value, 1, 10);
            if (!port)
                return bad(QStringLiteral("expected a port number from 1 to 10"));
            options.port = *port;
        } else if (name == QLatin1String("--speed")) {
            if (!LineSpeeds.contains(value))
                return bad(QStringLiteral("expected 19200, 38400, 57600 or 115200"));
            options.baud = value.toInt();
        } else if (name == QLatin1String("--low") || name == QLatin1String("--high")) {
            const auto f10 = parsePlanFrequency(value);
            if (!f10)
                return bad(QStringLiteral("expected a channel from 895.8 to 934.0 MHz in 0.2 MHz "
                                          "steps"));
            (name == QLatin1String("--low") ? options.limits.FreqLowLimit
                                            : options.limits.FreqHighLimit) = *f10;
        } else if (name == QLatin1String("--loops")) {
            const auto loops = parseWhole(value, 1, std::numeric_limits<int>::max());
            if (!loops)
                return bad(QStringLiteral("expected a number of loops from 1 up"));
            options.loops = *loops;
        } else if (name == QLatin1String("--duration")) {
            options.durationSeconds = core::parseDuration(value);
            if (!options.durationSeconds)
                return bad(QStringLiteral("expected a time such as 90s, 30m, 12h or 2d"));
        } else if (name == QLatin1String("--attenuation")) {
            const auto dB = parseWhole(value, 0, 100);
            if (!dB)
                return bad(QStringLiteral("expected a whole number of dB from 0 to 100"));
            options.attenuation = *dB;
        } else if (name == QLatin1String("--publish")) {
            auto address = fleet::parseBrokerAddress(value);
            if (const auto* why = std::get_if<QString>(&address))
                return UsageError{*why};
            options.publish = std::get<fleet::BrokerAddress>(address);
        } else if (name == QLatin1String("--site")) {
            if (const QString why = fleet::siteNameProblem(value); !why.isEmpty())
                return UsageError{why};
            options.site = value;
        } else if (name == QLatin1String("--ca-file")) {
            options.caFile = value;
        } else if (name == QLatin1String("--alarm")) {
            auto rule = survey::parseAlarmRule(value);
            if (const auto* why = std::get_if<QString>(&rule))
                return UsageError{*why};
            options.alarms.push_back(std::get<survey::AlarmRule>(std::move(rule)));
        } else if (name == QLatin1String("--on-alarm")) {
            if (value.trimmed().isEmpty())
                return bad(QStringLiteral("expected a command"));
            options.onAlarm = value;
        } else {
            options.outputFolder = value;
        }
    }
    if (!options.onAlarm.isEmpty() && options.alarms.empty())
        return UsageError{QStringLiteral("--on-alarm goes with --alarm")};
    if (!options.publish && !options.caFile.isEmpty())
        return UsageError{QStringLiteral("--ca-file goes with --publish")};
    if (!options.publish && options.onAlarm.isEmpty() && !options.site.isEmpty())
        return UsageError{QStringLiteral("--site goes with --publish or --on-alarm")};
    if (options.publish && options.site.isEmpty()) {
        options.site = QSysInfo::machineHostName();
        if (const QString why = fleet::siteNameProblem(options.site); !why.isEmpty())
            return UsageError{why + QStringLiteral(": name the site with --site")};
    }
    if (options.device.isEmpty() == (options.port == 0))
        return UsageError{QStringLiteral("name the radio's serial device with --device PATH or "
                                         "--port N (one of them)")};
    if (options.limits.FreqLowLimit > options.limits.FreqHighLimit)
        return UsageError{QStringLiteral("the lower frequency limit lies above the upper one")};
    return options;
}

} // namespace tools::record
