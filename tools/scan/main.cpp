// SPDX-License-Identifier: MIT
#include "tools/scan/scan_commands.h"
#include "tools/scan/scan_options.h"
#include "tools/scan/store_commands.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace {

// Qt's own notices (a missing runtime folder under the offscreen platform and the like) would
// read as the tool's messages; only its errors pass.
void keepQtErrorsOnly(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "korlan-scan: %s\n", qPrintable(text));
}

} // namespace

int main(int argc, char* argv[]) {
    using namespace tools::scan;

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString error;
    const std::optional<ScanOptions> options = parseOptions(arguments, &error);
    if (!options) {
        std::fprintf(stderr, "korlan-scan: %s\nTry 'korlan-scan --help'.\n", qPrintable(error));
        return ExitUsage;
    }

    qInstallMessageHandler(keepQtErrorsOnly);
    std::unique_ptr<QCoreApplication> application;
    if (options->command == Command::Waterfall || !options->pdfPath.isEmpty()) {
        // The pictures and pages need fonts, not a display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }

    switch (options->command) {
    case Command::Help:
        std::fputs(qPrintable(usageText()), stdout);
        return ExitSuccess;
    case Command::Version:
        std::printf("korlan-scan %s\n", KORLAN_VERSION);
        return ExitSuccess;
    case Command::Csv:
        return options->fromStore ? runOnStoredLoops(*options, runCsv) : runCsv(*options);
    case Command::Report:
        return options->fromStore ? runOnStoredLoops(*options, runReport) : runReport(*options);
    case Command::Compare:
        return options->fromStore ? runOnStoredLoops(*options, runCompare) : runCompare(*options);
    case Command::Waterfall:
        return options->fromStore ? runOnStoredLoops(*options, runWaterfall)
                                  : runWaterfall(*options);
    case Command::Sites:
        return runSites(*options);
    case Command::Export:
        return runExport(*options);
    }
    return ExitFailure;
}
