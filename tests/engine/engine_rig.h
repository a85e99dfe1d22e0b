// SPDX-License-Identifier: MIT
#pragma once

#include "engine/scan_engine.h"
#include "radio/comm_port.h"
#include "radio/port_directory.h"
#include "recording/scan_record.h"
#include "tests/support/expected_loops.h"
#include "tests/support/sim_radio.h"

#include <QRegularExpression>

namespace testing {

// Answers the engine's questions as the test says, and remembers them.
class TestQuestions : public engine::EngineQuestions {
public:
    bool tryConnectAgain(int) override {
        ++retryQuestions;
        return retryAnswer;
    }
    void chooseSaveName(const QString& proposedName) override {
        saveQuestions.append(proposedName);
    }

    bool retryAnswer = false;
    int retryQuestions = 0;
    QStringList saveQuestions;
};

// The engine on "Com 1", which is the simulated radio started with the given options, recording
// into a Data folder of its own. The engine goes before the radio. A radio that does not start
// ends the run: no test can go on.
class EngineRig : public ProgramFolder {
public:
    explicit EngineRig(const QStringList& simOptions = {}) {
        if (!radio.start(simOptions))
            qFatal("the simulated radio did not start: %s", qPrintable(radio.error()));
        engine.setDataFolder(folder() + QStringLiteral("/Data"));
        engine.port().setPortDirectory(
            radio::PortDirectory(QString(), QStringList{radio.device()}));
        engine.setComPort(1);
        QObject::connect(&engine, &engine::ScanEngine::failure, &engine,
                         [this](const QString& text, const QString& title) {
                             failures.append(title + QStringLiteral(": ") + text);
                         });
    }

    int failuresTitled(const QString& title) const {
        return int(failures.filter(QRegularExpression(QLatin1Char('^') + title + ':')).size());
    }

    SimRadio radio;
    TestQuestions questions;
    engine::ScanEngine engine{questions};
    QStringList failures; // "title: text"
};

} // namespace testing
