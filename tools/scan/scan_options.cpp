// SPDX-License-Identifier: MIT
#include "tools/scan/scan_options.h"

#include "display/waterfall_picture.h"
#include "survey/survey_report.h"

namespace tools::scan {

namespace {

struct Parsed {
    QStringList positional;
    std::optional<QString> threshold;
    std::optional<QString> height;
    std::optional<QString> csv;
};

// "--name VALUE" or "--name=VALUE"; VALUE may start with "-" (a threshold of -95 dBm).
bool takeValue(const QStringList& args, int& i, const QString& name, std::optional<QString>& into,
               QString* error) {
    const QString& arg = args[i];
    const QString prefix = name + QLatin1Char('=');
    if (arg.startsWith(prefix)) {
        into = arg.mid(prefix.size());
    } else if (i + 1 < args.size()) {
        into = args[++i];
    } else {
        *error = QStringLiteral("%1 needs a value").arg(name);
        return false;
    }
    return true;
}

std::optional<int> wholeNumber(const QString& text, int low, int high) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

bool isOption(const QString& arg, const QString& name) {
    return arg == name || arg.startsWith(name + QLatin1Char('='));
}

} // namespace

QString usageText() {
    return QStringLiteral(
               "Usage: korlan-scan COMMAND SCAN.dat ...\n"
               "Reads a scan file of the analyser.\n"
               "\n"
               "  korlan-scan csv SCAN.dat [OUT.csv]\n"
               "      Every loop as a CSV row in the layout of rtl_power (date, time, Hz low, Hz "
               "high,\n"
               "      Hz step, samples, then one dBm value per channel inside the scan's limits; "
               "nan\n"
               "      where a channel gave no level). Without OUT.csv the rows go to standard "
               "output.\n"
               "  korlan-scan report SCAN.dat [--threshold DBM] [--csv OUT.csv]\n"
               "      The channel groups ranked quietest first, and the quietest one. A reading "
               "is\n"
               "      occupied at or above DBM (default %1 dBm, from %2 to %3). --csv also writes\n"
               "      the report, groups and channels, as CSV.\n"
               "  korlan-scan waterfall SCAN.dat OUT.png [--height N]\n"
               "      The waterfall as a PNG picture, newest loop at the top. Its rows take at "
               "most N\n"
               "      pixels (default %4, from %5 to %6), each a whole number of pixels up to "
               "%7, and\n"
               "      the picture ends below them; with more loops than pixels each row shows "
               "the\n"
               "      strongest level of the loops it covers.\n"
               "  korlan-scan --help | --version\n"
               "\n"
               "Exit status: 0 when the whole scan was read and everything written, 1 when the "
               "scan\n"
               "cannot be read or is damaged (what is whole of it is still used) or an output "
               "cannot be\n"
               "written, 2 for a command line that is not understood. Outputs never replace the "
               "scan.\n")
        .arg(survey::DefaultThresholdDbm)
        .arg(MinThresholdDbm)
        .arg(MaxThresholdDbm)
        .arg(DefaultWaterfallHeight)
        .arg(MinWaterfallHeight)
        .arg(MaxWaterfallHeight)
        .arg(display::WaterfallMapping::MaxRowHeight);
}

std::optional<ScanOptions> parseOptions(const QStringList& args, QString* error) {
    ScanOptions options;
    if (args.isEmpty()) {
        *error = QStringLiteral("a command is missing");
        return std::nullopt;
    }
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h")))
        return options;
    if (args.contains(QStringLiteral("--version"))) {
        options.command = Command::Version;
        return options;
    }
    const QString& command = args.first();
    if (command == QLatin1String("csv")) {
        options.command = Command::Csv;
    } else if (command == QLatin1String("report")) {
        options.command = Command::Report;
    } else if (command == QLatin1String("waterfall")) {
        options.command = Command::Waterfall;
    } else {
        *error = QStringLiteral("unknown command '%1'").arg(command);
        return std::nullopt;
    }

    Parsed parsed;
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool report = options.command == Command::Report;
        const bool waterfall = options.command == Command::Waterfall;
        if (report && isOption(arg, QStringLiteral("--threshold"))) {
            if (!takeValue(args, i, QStringLiteral("--threshold"), parsed.threshold, error))
                return std::nullopt;
        } else if (report && isOption(arg, QStringLiteral("--csv"))) {
            if (!takeValue(args, i, QStringLiteral("--csv"), parsed.csv, error))
                return std::nullopt;
        } else if (waterfall && isOption(arg, QStringLiteral("--height"))) {
            if (!takeValue(args, i, QStringLiteral("--height"), parsed.height, error))
                return std::nullopt;
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            *error = QStringLiteral("'%1' is not an option of %2").arg(arg, command);
            return std::nullopt;
        } else {
            parsed.positional << arg;
        }
    }

    const int needed = options.command == Command::Waterfall ? 2 : 1;
    const int allowed = options.command == Command::Report ? 1 : 2;
    if (parsed.positional.size() < needed) {
        *error = parsed.positional.isEmpty()
                     ? QStringLiteral("%1 needs a scan file").arg(command)
                     : QStringLiteral("%1 needs an output file").arg(command);
        return std::nullopt;
    }
    if (parsed.positional.size() > allowed) {
        *error = QStringLiteral("too many arguments for %1: '%2'")
                     .arg(command, parsed.positional.mid(allowed).join(QLatin1Char(' ')));
        return std::nullopt;
    }
    options.scanPath = parsed.positional[0];
    options.outPath = parsed.positional.value(1, parsed.csv.value_or(QString()));
    if (options.outPath.isEmpty() && (parsed.csv || options.command == Command::Waterfall)) {
        *error = QStringLiteral("the output file name is empty");
        return std::nullopt;
    }

    options.thresholdDbm = survey::DefaultThresholdDbm;
    if (parsed.threshold) {
        const auto value = wholeNumber(*parsed.threshold, MinThresholdDbm, MaxThresholdDbm);
        if (!value) {
            *error = QStringLiteral("--threshold takes a whole number of dBm from %1 to %2, not "
                                    "'%3'")
                         .arg(MinThresholdDbm)
                         .arg(MaxThresholdDbm)
                         .arg(*parsed.threshold);
            return std::nullopt;
        }
        options.thresholdDbm = *value;
    }
    if (parsed.height) {
        const auto value = wholeNumber(*parsed.height, MinWaterfallHeight, MaxWaterfallHeight);
        if (!value) {
            *error = QStringLiteral("--height takes a whole number of pixels from %1 to %2, not "
                                    "'%3'")
                         .arg(MinWaterfallHeight)
                         .arg(MaxWaterfallHeight)
                         .arg(*parsed.height);
            return std::nullopt;
        }
        options.height = *value;
    }
    return options;
}

} // namespace tools::scan
