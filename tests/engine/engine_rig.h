// SPDX-License-Identifier: MIT
#pragma once

#include "engine/engine_thread.h"
#include "radio/port_directory.h"
#include "recording/scan_record.h"
#include "tests/support/expected_loops.h"
#include "tests/support/sim_radio.h"

#include <QRegularExpression>
#include <QTest>

namespace testing {

// The engine on a thread of its own, on "Com 1", which is the simulated radio started with the
// given options, recording into a Data folder of its own. It remembers what it reported and the
// questions it asked; the retry question is answered as retryAnswer says, unless that is empty.
// The engine goes before the radio. A radio that does not start ends the run: no test can go on.
class EngineRig : public ProgramFolder {
public:
    struct Question {
        quint64 id;
        QString text; // the proposed name
    };

    explicit EngineRig(const QStringList& simOptions = {}) {
        if (!radio.start(simOptions))
            qFatal("the simulated radio did not start: %s", qPrintable(radio.error()));
        engine.setDataFolder(folder() + QStringLiteral("/Data"));
        engine.setPortDirectory(radio::PortDirectory(QString(), QStringList{radio.device()}));
        engine.setComPort(1);
        using engine::EngineThread;
        QObject::connect(&engine, &EngineThread::failure, &engine,
                         [this](const QString& text, const QString& title) {
                             failures.append(title + QStringLiteral(": ") + text);
                         });
        QObject::connect(&engine, &EngineThread::tryAgainAsked, &engine, [this](quint64 id) {
            retryQuestions.append(id);
            if (retryAnswer)
                engine.answerTryAgain(id, *retryAnswer);
        });
        QObject::connect(&engine, &EngineThread::saveNameAsked, &engine,
                         [this](quint64 id, const QString& name) {
                             saveQuestions.append({id, name});
                         });
        QObject::connect(&engine, &EngineThread::stateChanged, &engine,
                         [this](engine::EngineState state) { states.append(state); });
    }

    // What the engine reported goes with a failed test's output.
    ~EngineRig() {
        if (!QTest::currentTestFailed())
            return;
        QStringList went;
        for (engine::EngineState state : std::as_const(states))
            went << QString::number(int(state));
        qInfo().noquote() << "the engine said:" << failures << "and went through the states"
                          << went.join(QLatin1Char(' '));
    }

    int failuresTitled(const QString& title) const {
        return int(failures.filter(QRegularExpression(QLatin1Char('^') + title + ':')).size());
    }
    // Answers the save question asked last.
    void answerSave(const QString& name) { engine.answerSaveName(saveQuestions.last().id, name); }

    SimRadio radio;
    engine::EngineThread engine;
    QStringList failures; // "title: text"
    std::optional<bool> retryAnswer = false;
    QList<quint64> retryQuestions;
    QList<Question> saveQuestions;
    QList<engine::EngineState> states;
};

} // namespace testing
