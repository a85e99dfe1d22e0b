// SPDX-License-Identifier: MIT
// korlan-record: the scan engine without a window, for unattended surveys and machines without a
// display.
#include "core/time_scale.h"
#include "recording/data_folder.h"
#include "tools/record/recorder.h"
#include "tools/shared/termination_signal.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("KorlanSpecAn"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORLAN_VERSION));
    QTextStream output(stdout);
    QTextStream messages(stderr);

    const tools::record::ParsedCommandLine parsed = tools::record::parseRecorderArguments(
        QCoreApplication::arguments().mid(1), QCoreApplication::applicationVersion());
    if (const auto* text = std::get_if<tools::record::ShowText>(&parsed)) {
        output << text->text;
        return 0;
    }
    if (const auto* error = std::get_if<tools::record::UsageError>(&parsed)) {
        messages << "korlan-record: " << error->message << "\n"
                 << "Try 'korlan-record --help'.\n";
        return 2;
    }
    const auto& options = std::get<tools::record::RecorderOptions>(parsed);

    // Tests compress the protocol's timers; a survey runs in real time.
    if (const double scale = qEnvironmentVariable("KORLAN_TIME_SCALE").toDouble(); scale > 0)
        core::setTimeScale(scale);

    const recording::ProgramFolders folders =
        recording::locateProgramFolders(QCoreApplication::applicationDirPath());
    const QString dataFolder = options.outputFolder.isEmpty()
                                   ? folders.dataFolder
                                   : QDir(options.outputFolder).absolutePath();
    tools::record::Recorder recorder(options, dataFolder, folders.settingsFile, output, messages);

    // A second signal does not wait for the save.
    if (!tools::onTerminationSignal(&recorder, [&recorder] { recorder.interrupt(); })) {
        messages << "korlan-record: no signal channel\n";
        return 1;
    }
    if (!recorder.start())
        return 1;
    return QCoreApplication::exec();
}
