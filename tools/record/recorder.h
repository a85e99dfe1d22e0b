// SPDX-License-Identifier: MIT
#pragma once

#include "engine/scan_engine.h"
#include "tools/record/recorder_options.h"

#include <QObject>
#include <QTextStream>

namespace tools::record {

// Drives the scan engine without a window: it answers the engine's questions by rule (no retry
// without --forever, every ended scan saved under its default name), prints a line per finished
// loop on its output and everything else on its messages, and ends the application with the
// exit status when the recording is over.
class Recorder : public QObject, private engine::EngineQuestions {
    Q_OBJECT

public:
    Recorder(RecorderOptions options, const QString& dataFolder, const QString& settingsPath,
             QTextStream& output, QTextStream& messages);

    // Starts the run from the event loop; false (after a message) when the port cannot be used.
    bool start();
    // SIGINT or SIGTERM: the scan ends at once and is saved.
    void interrupt();

private:
    bool tryConnectAgain(int comPort) override;
    void chooseSaveName(const QString& proposedName) override;

    void loopsFinished(qint32 upTo);
    void scanEnded(engine::ScanEnd how, qint32 loops);
    void deadline();
    void say(const QString& message);
    // Ends the run once the engine has finished what it is doing (a save, a recovery step).
    void finish(int exitStatus);

    RecorderOptions m_options;
    engine::ScanEngine m_engine{*this};
    QTextStream& m_output;
    QTextStream& m_messages;
    QString m_device;
    qint32 m_printedLoops = 0;
    int m_savedScans = 0;
    bool m_fileFailed = false;
    bool m_finishing = false;
};

} // namespace tools::record
