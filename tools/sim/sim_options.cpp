// SPDX-License-Identifier: MIT
#include "tools/sim/sim_options.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <cmath>

namespace tools::sim {

namespace {

const QString Seed = QStringLiteral("seed");
const QString LatencyMs = QStringLiteral("latency-ms");
const QString Baud = QStringLiteral("baud");
const QString Fragment = QStringLiteral("fragment");
const QString FragmentGapUs = QStringLiteral("fragment-gap-us");
const QString Noise = QStringLiteral("noise");
const QString SilentAfter = QStringLiteral("silent-after");
const QString ClosedAfter = QStringLiteral("closed-after");
const QString Deaf = QStringLiteral("deaf");
const QString SleepThrough = QStringLiteral("sleep-through");
const QString PassCode = QStringLiteral("pass-code");
const QString ZeroLevelAt = QStringLiteral("zero-level-at");
const QString Carrier = QStringLiteral("carrier");
const QString Log = QStringLiteral("log");
const QString Link = QStringLiteral("link");

bool readCount(const QCommandLineParser& parser, const QString& name, int* value, QString* error) {
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int number = parser.value(name).toInt(&ok);
    if (!ok || number < 0) {
        *error = QStringLiteral("--%1 needs a whole number of 0 or more, not \"%2\"")
                     .arg(name, parser.value(name));
        return false;
    }
    *value = number;
    return true;
}

bool readOptionalCount(const QCommandLineParser& parser, const QString& name,
                       std::optional<int>* value, QString* error) {
    if (!parser.isSet(name))
        return true;
    int number = 0;
    if (!readCount(parser, name, &number, error))
        return false;
    *value = number;
    return true;
}

} // namespace

void addSimOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Simulated Ternaflow radio on a pseudo-terminal. Prints the device path as the first line "
        "on stdout and serves it until SIGTERM or SIGINT.\n\n"
        "Wake-up: ESC followed by CR or LF. Then \"SETUP\" and \"PASS QK47\" unlock setup mode "
        "(a wrong code answers CLOSED). Unlocked, \"RX fff.f\" tunes and \"RSSI!\" answers\n"
        "  RX fff.f CR LF -NN dBm CR LF SETUP>\n\n"
        "Log lines: \"recv <bytes, C-escaped>\", \"level <fff.f> <dBm>\", \"unlock\", "
        "\"closed\"."));
    parser.addHelpOption();
    parser.addOptions({
        {Seed,
         QStringLiteral("Seed of the band model (default 1); one seed and one sequence of "
                        "requests always give the same levels."),
         QStringLiteral("N")},
        {LatencyMs, QStringLiteral("Think time before every answer, in milliseconds."),
         QStringLiteral("N")},
        {Baud, QStringLiteral("Pace the output at N baud: every byte takes 10 bit times."),
         QStringLiteral("N")},
        {Fragment, QStringLiteral("Write answers one byte per write().")},
        {FragmentGapUs,
         QStringLiteral("Least gap between two fragments, in microseconds (default 200)."),
         QStringLiteral("N")},
        {Noise,
         QStringLiteral("Send N bytes of line noise after each level reply; the noise never "
                        "holds '-', 'R', 'X', 'C', 'd', 'S', CR or LF."),
         QStringLiteral("N")},
        {SilentAfter, QStringLiteral("After N level replies answer nothing at all any more."),
         QStringLiteral("N")},
        {ClosedAfter,
         QStringLiteral("After every N level replies answer the next request with CLOSED and "
                        "leave setup mode; a new wake-up and pass code unlock it again."),
         QStringLiteral("N")},
        {Deaf, QStringLiteral("Never answer the wake-up.")},
        {SleepThrough, QStringLiteral("Sleep through the first N wake-ups; answer the next."),
         QStringLiteral("N")},
        {PassCode, QStringLiteral("The access code that unlocks setup mode (default QK47)."),
         QStringLiteral("CODE")},
        {ZeroLevelAt,
         QStringLiteral("Level reply N (1 = the first) reads \"-0 dBm\", a level of 0."),
         QStringLiteral("N")},
        {Carrier,
         QStringLiteral("A carrier at MHZ (895.8 to 934.0, in tenths) peaking at DBM (-130 to "
                        "-30) that is present for ON sweeps (1 or more), then absent for OFF "
                        "sweeps, over and over from the first sweep. The first level asked for "
                        "begins sweep 1; a level asked for below the frequency of the one before "
                        "begins the next sweep. May be given more than once."),
         QStringLiteral("MHZ:DBM:ON:OFF")},
        {Log,
         QStringLiteral("Log every chunk received and every answer to FILE, flushed per line."),
         QStringLiteral("FILE")},
        {Link, QStringLiteral("Also make a symbolic link to the device at PATH (removed on exit)."),
         QStringLiteral("PATH")},
    });
}

std::optional<SwitchedCarrier> parseSwitchedCarrier(const QString& text, QString* error) {
    static const QRegularExpression Form(
        QStringLiteral(R"(^(\d{3}(?:\.\d)?):(-\d{1,3}):(\d{1,6}):(\d{1,6})$)"));
    const QRegularExpressionMatch match = Form.match(text);
    SwitchedCarrier carrier;
    if (match.hasMatch()) {
        carrier.centre = int(std::lround(match.captured(1).toDouble() * 10));
        carrier.peak = match.captured(2).toInt();
        carrier.on = match.captured(3).toInt();
        carrier.off = match.captured(4).toInt();
    }
    if (!match.hasMatch() || carrier.centre < 8958 || carrier.centre > 9340 ||
        carrier.peak < BandModel::MinLevel || carrier.peak > BandModel::MaxLevel ||
        carrier.on < 1) {
        *error = QStringLiteral("--carrier needs MHZ:DBM:ON:OFF (910.0:-40:3:4) with MHZ from "
                                "895.8 to 934.0, DBM from -130 to -30 and ON of 1 or more, not "
                                "\"%1\"")
                     .arg(text);
        return std::nullopt;
    }
    return carrier;
}

std::optional<SimOptions> readSimOptions(const QCommandLineParser& parser, QString* error) {
    SimOptions options;
    if (parser.isSet(Seed)) {
        bool ok = false;
        options.seed = parser.value(Seed).toULongLong(&ok);
        if (!ok) {
            *error =
                QStringLiteral("--seed needs a whole number, not \"%1\"").arg(parser.value(Seed));
            return std::nullopt;
        }
    }
    if (!readCount(parser, LatencyMs, &options.latencyMs, error) ||
        !readCount(parser, Baud, &options.baud, error) ||
        !readCount(parser, FragmentGapUs, &options.fragmentGapUs, error) ||
        !readCount(parser, Noise, &options.noise, error) ||
        !readCount(parser, SleepThrough, &options.sleepThrough, error) ||
        !readOptionalCount(parser, SilentAfter, &options.silentAfter, error) ||
        !readOptionalCount(parser, ClosedAfter, &options.closedAfter, error) ||
        !readOptionalCount(parser, ZeroLevelAt, &options.zeroLevelAt, error))
        return std::nullopt;
    for (const QString& text : parser.values(Carrier)) {
        const auto carrier = parseSwitchedCarrier(text, error);
        if (!carrier)
            return std::nullopt;
        options.carriers.push_back(*carrier);
    }
    options.fragment = parser.isSet(Fragment);
    options.deaf = parser.isSet(Deaf);
    if (parser.isSet(PassCode))
        options.passCode = parser.value(PassCode);
    options.logPath = parser.value(Log);
    options.linkPath = parser.value(Link);
    return options;
}

} // namespace tools::sim
