// SPDX-License-Identifier: MIT
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

namespace testing {

// One of the project's programs run by a test. When the test fails, what the program printed is
// shown with the failure; a program still running at the end is killed.
class ProgramProcess {
public:
    static constexpr int Bound = 60000; // ms

    ProgramProcess(const QString& program, const QStringList& arguments,
                   const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
        : m_name(program.section(QLatin1Char('/'), -1)) {
        process.setProcessEnvironment(env);
        process.start(program, arguments);
    }
    ~ProgramProcess() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(Bound);
        }
        if (QTest::currentTestFailed())
            qInfo().noquote() << m_name + " printed:\n" + output() << "\nand said:\n" + messages();
    }
    // The exit status, or -1 when it did not end by itself within the bound.
    int finish() {
        if (!process.waitForFinished(Bound) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        return process.exitCode();
    }
    // Ends it as SIGTERM would and waits for it.
    int terminate() {
        process.terminate();
        return finish();
    }
    const QString& output() {
        m_output += QString::fromLocal8Bit(process.readAllStandardOutput());
        return m_output;
    }
    const QString& messages() {
        m_messages += QString::fromLocal8Bit(process.readAllStandardError());
        return m_messages;
    }

    QProcess process;

private:
    QString m_name;
    QString m_output, m_messages;
};

} // namespace testing
