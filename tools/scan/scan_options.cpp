// SPDX-License-Identifier: MIT
#include "tools/scan/scan_options.h"

#include "core/conventions.h"
#include "display/waterfall_picture.h"
#include "fleet/store_address.h"
#include "survey/survey_report.h"

#include <algorithm>
#include <map>

namespace tools::scan {

namespace {

// "--name VALUE" or "--name=VALUE"; VALUE may start with "-" (a threshold of -95 dBm).
bool takeValue(const QStringList& args, int& i, const QString& name, QString& into,
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

const QStringList StoreOptions{QStringLiteral("--store"), QStringLiteral("--site"),
                               QStringLiteral("--since"), QStringLiteral("--from"),
                               QStringLiteral("--to")};

// The options of a command that take a value.
QStringList valueOptions(Command command) {
    switch (command) {
    case Command::Report:
        return QStringList{QStringLiteral("--threshold"), QStringLiteral("--csv"),
                           QStringLiteral("--signal"), QStringLiteral("--margin"),
                           QStringLiteral("--pdf")} +
               StoreOptions;
    case Command::Compare:
        return QStringList{QStringLiteral("--threshold"), QStringLiteral("--after-from"),
                           QStringLiteral("--after-to")} +
               StoreOptions;
    case Command::Waterfall:
        return QStringList{QStringLiteral("--height")} + StoreOptions;
    case Command::Sites:
        return {QStringLiteral("--store")};
    case Command::Csv:
    case Command::Export:
        return StoreOptions;
    case Command::Help:
    case Command::Version:
        break;
    }
    return {};
}

// How many names follow the command: a scan file unless the loops come from a store, then the
// outputs.
std::pair<int, int> positionalRange(Command command, bool fromStore) {
    const int scan = fromStore ? 0 : 1;
    switch (command) {
    case Command::Csv:
        return {scan, scan + 1};
    case Command::Waterfall:
    case Command::Export:
        return {scan + 1, scan + 1};
    case Command::Compare:
        return {2 * scan, 2 * scan};
    default:
        return {scan, scan};
    }
}

// An ISO date ("2024-05-01", the start of that day here) or date and time, with or without an
// offset from UTC.
std::optional<QDateTime> isoTime(const QString& text) {
    const QDateTime time = QDateTime::fromString(text.trimmed(), Qt::ISODate);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

std::optional<QString> valueOf(const std::map<QString, QString>& values, const char* name) {
    const auto found = values.find(QLatin1String(name));
    return found == values.end() ? std::nullopt : std::optional(found->second);
}

// --store, --site and the time range.
bool takeStoreOptions(const std::map<QString, QString>& values, const QString& command,
                      ScanOptions& options, QString* error) {
    const auto value = [&values](const char* name) { return valueOf(values, name); };
    if (const auto store = value("--store")) {
        if (!fleet::parseStoreAddress(*store, error))
            return false;
        options.store = *store;
    }
    if (options.command != Command::Sites) {
        options.site = value("--site").value_or(QString());
        if (options.site.isEmpty()) {
            *error = QStringLiteral("%1 from the store needs --site NAME").arg(command);
            return false;
        }
    }
    const auto since = value("--since");
    if (since && (value("--from") || value("--to"))) {
        *error = QStringLiteral("--since cannot go with --from or --to");
        return false;
    }
    if (since) {
        const auto seconds = core::parseDuration(*since);
        if (!seconds) {
            *error = QStringLiteral("--since takes a time such as 90s, 30m, 24h or 2d, not '%1'")
                         .arg(*since);
            return false;
        }
        options.from = QDateTime::currentDateTimeUtc().addSecs(-*seconds);
    }
    for (auto [name, into] : {std::pair{"--from", &options.from}, std::pair{"--to", &options.to},
                              std::pair{"--after-from", &options.afterFrom},
                              std::pair{"--after-to", &options.afterTo}}) {
        if (const auto text = value(name)) {
            const auto time = isoTime(*text);
            if (!time) {
                *error = QStringLiteral("%1 takes an ISO date or date and time (2024-05-01, "
                                        "2024-05-01T14:00 or 2024-05-01T14:00:00+03:00), not '%2'")
                             .arg(QLatin1String(name), *text);
                return false;
            }
            *into = *time;
        }
    }
    if (options.from.isValid() && options.to.isValid() && options.from >= options.to) {
        *error = QStringLiteral("--from must come before --to");
        return false;
    }
    if (options.command == Command::Compare && !options.afterFrom.isValid()) {
        *error = QStringLiteral("compare from the store needs --after-from, where the later "
                                "survey begins");
        return false;
    }
    if (options.afterTo.isValid() && options.afterFrom >= options.afterTo) {
        *error = QStringLiteral("--after-from must come before --after-to");
        return false;
    }
    return true;
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
               "  korlan-scan report SCAN.dat [--threshold DBM|floor+DB] [--signal DBM [--margin "
               "DB]]\n"
               "                   [--csv OUT.csv] [--pdf OUT.pdf]\n"
               "      The channel groups ranked quietest first, and the quietest ones. A reading "
               "is\n"
               "      occupied at or above DBM (default %1 dBm, from -130 to -20), or DB over the\n"
               "      scan's measured noise floor (floor+10). Each share comes with its 95 %\n"
               "      interval; groups the survey cannot tell apart share a rank. With --signal, "
               "the\n"
               "      level the link expects, groups rank by how often their strongest channel "
               "came\n"
               "      within --margin (default 15 dB) of it. --csv also writes the report, groups "
               "and\n"
               "      channels, as CSV. --pdf also writes it as one or two A4 pages to hand on, "
               "with\n"
               "      the waterfall and the plot, titled with the site's name (--site NAME, or "
               "the\n"
               "      scan file's name without its ending).\n"
               "  korlan-scan compare BEFORE.dat AFTER.dat [--threshold DBM|floor+DB]\n"
               "      Per group and channel, occupancy and 90th percentile before and after, both "
               "at\n"
               "      the threshold BEFORE.dat gives; * marks changes beyond their uncertainty.\n"
               "      A stored site's two ranges are compared with --site NAME [--store STORE]\n"
               "      [--from T] [--to T] --after-from T [--after-to T] in place of the files.\n"
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
               "The loops the sites of a fleet send to a store are read the same way:\n"
               "  korlan-scan sites [--store STORE]\n"
               "      One line per site: its name, online or offline, when it was last seen, the\n"
               "      loops stored, and its quietest group over the last 24 hours.\n"
               "  korlan-scan export --site NAME [--store STORE] [RANGE] OUT.dat\n"
               "      The site's loops as a scan file, numbered in time order, which the "
               "analyser\n"
               "      opens and plays back.\n"
               "  csv, report and waterfall read the site's loops instead of SCAN.dat when given\n"
               "  --site NAME [--store STORE] [RANGE] in its place.\n"
               "      RANGE is --since TIME (90s, 30m, 24h or 2d back from now) or --from and "
               "--to\n"
               "      with ISO dates or times (2024-05-01, 2024-05-01T14:00, "
               "2024-05-01T14:00+03:00);\n"
               "      without it, every loop. STORE is sqlite:PATH or\n"
               "      postgresql://[user[:password]@][host][:port][/dbname][?host=/socket/dir],\n"
               "      by default sqlite:fleet.sqlite in the analyser's Data folder.\n"
               "\n"
               "Exit status: 0 when the whole scan was read and everything written, 1 when the "
               "scan\n"
               "cannot be read or is damaged (what is whole of it is still used) or an output "
               "cannot be\n"
               "written, or the store cannot be read, does not know the site or holds no loop of "
               "it in\n"
               "the range, 2 for a command line that is not understood. Outputs never replace the "
               "scan.\n")
        .arg(survey::DefaultThresholdDbm)
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
    } else if (command == QLatin1String("compare")) {
        options.command = Command::Compare;
    } else if (command == QLatin1String("waterfall")) {
        options.command = Command::Waterfall;
    } else if (command == QLatin1String("sites")) {
        options.command = Command::Sites;
    } else if (command == QLatin1String("export")) {
        options.command = Command::Export;
    } else {
        *error = QStringLiteral("unknown command '%1'").arg(command);
        return std::nullopt;
    }

    QStringList positional;
    std::map<QString, QString> values;
    const QStringList taken = valueOptions(options.command);
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const auto name = std::find_if(taken.cbegin(), taken.cend(),
                                       [&arg](const QString& n) { return isOption(arg, n); });
        if (name != taken.cend()) {
            if (!takeValue(args, i, *name, values[*name], error))
                return std::nullopt;
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            *error = QStringLiteral("'%1' is not an option of %2").arg(arg, command);
            return std::nullopt;
        } else {
            positional << arg;
        }
    }
    const auto value = [&values](const char* name) { return valueOf(values, name); };

    options.fromStore = options.command == Command::Sites || options.command == Command::Export ||
                        std::any_of(StoreOptions.cbegin(), StoreOptions.cend(),
                                    [&values](const QString& n) { return values.count(n) > 0; });
    // A report of a scan file takes --site alone as the name of the site it titles.
    const auto storeOnly = [&values](const QString& n) {
        return n != QLatin1String("--site") && values.count(n) > 0;
    };
    if (options.command == Command::Report && !positional.isEmpty() &&
        std::none_of(StoreOptions.cbegin(), StoreOptions.cend(), storeOnly)) {
        options.fromStore = false;
        options.site = value("--site").value_or(QString());
    }
    const auto [needed, allowed] = positionalRange(options.command, options.fromStore);
    if (positional.size() < needed) {
        *error = positional.isEmpty() && !options.fromStore
                     ? QStringLiteral("%1 needs a scan file").arg(command)
                     : QStringLiteral("%1 needs an output file").arg(command);
        return std::nullopt;
    }
    if (positional.size() > allowed) {
        *error = QStringLiteral("too many arguments for %1: '%2'")
                     .arg(command, positional.mid(allowed).join(QLatin1Char(' ')));
        return std::nullopt;
    }
    if (options.command == Command::Compare && !options.fromStore)
        options.afterPath = positional.takeLast();
    if (!options.fromStore)
        options.scanPath = positional.takeFirst();
    else if (!takeStoreOptions(values, command, options, error))
        return std::nullopt;
    const auto csv = value("--csv");
    const auto pdf = value("--pdf");
    options.outPath = positional.value(0, csv.value_or(QString()));
    options.pdfPath = pdf.value_or(QString());
    const bool outputNeeded =
        options.command == Command::Waterfall || options.command == Command::Export;
    if ((options.outPath.isEmpty() && (csv || outputNeeded)) ||
        (pdf && options.pdfPath.isEmpty())) {
        *error = QStringLiteral("the output file name is empty");
        return std::nullopt;
    }

    if (const auto threshold = value("--threshold")) {
        QString why;
        const auto setting = survey::ThresholdSetting::parse(*threshold, &why);
        if (!setting) {
            *error = QStringLiteral("--threshold: ") + why;
            return std::nullopt;
        }
        options.report.Threshold = *setting;
    }
    const auto signal = value("--signal");
    const auto margin = value("--margin");
    if (margin && !signal) {
        *error = QStringLiteral("--margin goes with --signal, the level the link expects");
        return std::nullopt;
    }
    if (signal) {
        survey::LinkBudget link;
        const auto dbm = wholeNumber(*signal, -130, -20);
        const auto db = margin ? wholeNumber(*margin, 0, 60) : std::optional(link.MarginDb);
        if (!dbm || !db) {
            *error = !dbm ? QStringLiteral("--signal takes a whole number of dBm from -130 to "
                                           "-20, not '%1'")
                                .arg(*signal)
                          : QStringLiteral("--margin takes a whole number of dB from 0 to 60, "
                                           "not '%1'")
                                .arg(*margin);
            return std::nullopt;
        }
        options.report.Link = survey::LinkBudget{*dbm, *db};
    }
    if (const auto height = value("--height")) {
        const auto pixels = wholeNumber(*height, MinWaterfallHeight, MaxWaterfallHeight);
        if (!pixels) {
            *error = QStringLiteral("--height takes a whole number of pixels from %1 to %2, not "
                                    "'%3'")
                         .arg(MinWaterfallHeight)
                         .arg(MaxWaterfallHeight)
                         .arg(*height);
            return std::nullopt;
        }
        options.height = *pixels;
    }
    return options;
}

} // namespace tools::scan
