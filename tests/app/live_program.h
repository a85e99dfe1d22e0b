// SPDX-License-Identifier: MIT
#pragma once

#include "app/file_dialog.h"
#include "app/frm_specan.h"
#include "app/msg_box.h"
#include "core/program_state.h"
#include "settings/ini_file.h"
#include "settings/program_settings.h"
#include "tests/support/expected_loops.h"
#include "tests/support/sim_radio.h"

#include <QTest>

#include <functional>
#include <memory>

namespace testing {

// A control of a window, found by its name as a user finds it on the screen; a name that is not
// there ends the run.
template <typename T = QWidget> T* control(const QObject& window, const QString& name) {
    T* found = window.findChild<T*>(name);
    if (!found)
        qFatal("no control named %s", qPrintable(name));
    return found;
}

// The analyser in a folder of its own: every port of its menu maps to a device that does not
// exist (or "Com 1" to the simulated radio), message boxes and the question for a file to open
// are answered and remembered, and the window is loaded as at start-up.
class LiveProgram : public ProgramFolder {
public:
    LiveProgram() {
        core::modMain() = core::MainModule{};
        app::setMsgBoxAnswerer([this](const app::MsgBoxCall& call) {
            messages.append(call);
            if (call.buttons == app::MsgBoxButtons::YesNo)
                return yesNoAnswer;
            return app::MsgBoxAnswer::Ok;
        });
        app::setOpenFileAnswerer([this](const app::OpenFileCall& call) {
            openFileCalls.append(call);
            return openFileAnswer;
        });
        // No port falls back to the machine's own serial devices.
        for (int port = 1; port <= 10; ++port)
            mapPort(port, QStringLiteral("/nonexistent/tty%1").arg(port));
    }
    // What the program said in its message boxes goes with a failed test's output.
    ~LiveProgram() {
        window.reset();
        app::setMsgBoxAnswerer({});
        app::setOpenFileAnswerer({});
        if (QTest::currentTestFailed())
            for (const app::MsgBoxCall& said : std::as_const(messages))
                qInfo().noquote() << "message box" << said.title << ":" << said.text;
    }

    QString iniPath() const { return folder() + QStringLiteral("/KorlanSpecAn.ini"); }
    settings::IniFile ini() const { return settings::IniFile(iniPath()); }
    void setIni(const QString& section, const QString& key, const QString& value) {
        ini().WriteIni(section, key, value);
    }
    void mapPort(int port, const QString& device) {
        setIni(QStringLiteral("Ports"), QStringLiteral("Com%1").arg(port), device);
    }

    // Loads the window with "Com 1" mapped to the radio and saved as the port in use, after what
    // the command line would have told it.
    app::frmSpecAn& load(const SimRadio* radio = nullptr,
                         const std::function<void(app::frmSpecAn&)>& commandLine = {}) {
        if (radio) {
            mapPort(1, radio->device());
            setIni(QStringLiteral("Program"), QStringLiteral("Port"), QStringLiteral("1"));
        }
        window = std::make_unique<app::frmSpecAn>();
        if (commandLine)
            commandLine(*window);
        window->Form_Load(folder());
        window->show();
        return *window;
    }

    int messagesTitled(const QString& title) const {
        return int(std::count_if(messages.cbegin(), messages.cend(),
                                 [&](const app::MsgBoxCall& c) { return c.title == title; }));
    }

    std::unique_ptr<app::frmSpecAn> window;
    QList<app::MsgBoxCall> messages;
    app::MsgBoxAnswer yesNoAnswer = app::MsgBoxAnswer::No;
    QList<app::OpenFileCall> openFileCalls;
    QString openFileAnswer; // the path chosen; empty: cancelled
};

// The simulated radio started with the given options, and the analyser set up to use it. The
// window goes before the radio. A radio that does not start ends the run: no test can go on.
class LiveScan {
public:
    explicit LiveScan(const QStringList& simOptions = {}) {
        if (!radio.start(simOptions))
            qFatal("the simulated radio did not start: %s", qPrintable(radio.error()));
    }
    app::frmSpecAn& load() { return program.load(&radio); }

    SimRadio radio;
    LiveProgram program;
};

} // namespace testing
