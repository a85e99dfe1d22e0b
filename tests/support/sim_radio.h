// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace testing {

// One level the simulated radio answered: the tuned frequency (tenths of a MHz) and dBm.
struct AnsweredLevel {
    int f10 = 0;
    int dbm = 0;
};

// ternaflow-sim (its path in TERNAFLOW_SIM) serving a pseudo-terminal, with a log of what it
// received and answered.
class SimRadio {
public:
    SimRadio();
    ~SimRadio();

    bool start(const QStringList& options = {});
    // The radio vanishes at once, as an unplugged adapter does, and its device with it.
    void kill();
    // A link of this radio's own to its pseudo-terminal.
    const QString& device() const { return m_device; }
    const QString& error() const { return m_error; }

    QList<AnsweredLevel> levels() const;
    // Every byte received, in order.
    QByteArray received() const;
    // Log lines in order ("recv ...", "level ...", "unlock", "closed").
    QStringList logLines() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_device;
    QString m_error;
};

} // namespace testing
