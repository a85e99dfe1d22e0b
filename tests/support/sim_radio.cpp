// SPDX-License-Identifier: MIT
#include "tests/support/sim_radio.h"
#include "tests/support/file_bytes.h"

#include <QDeadlineTimer>
#include <QFile>

namespace testing {

namespace {

QByteArray unescape(const QByteArray& text) {
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            bytes += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'r')
            bytes += '\r';
        else if (c == 'n')
            bytes += '\n';
        else if (c == 'x' && i + 2 < text.size()) {
            bytes += char(text.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else
            bytes += c;
    }
    return bytes;
}

} // namespace

SimRadio::SimRadio() = default;

SimRadio::~SimRadio() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }
}

bool SimRadio::start(const QStringList& options) {
    const QString program = qEnvironmentVariable("TERNAFLOW_SIM");
    if (program.isEmpty()) {
        m_error = QStringLiteral("TERNAFLOW_SIM is not set");
        return false;
    }
    // The radio is reached through a link of its own, as through a udev name: the pseudo-terminal
    // behind it may be handed to another test's radio once this one is gone.
    const QString link = m_dir.filePath(QStringLiteral("ttyRadio"));
    m_process.start(program, options + QStringList{QStringLiteral("--log"),
                                                   m_dir.filePath(QStringLiteral("sim.log")),
                                                   QStringLiteral("--link"), link});
    if (!m_process.waitForStarted(5000)) {
        m_error = m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(5000);
    while (!m_process.canReadLine() && !deadline.hasExpired())
        m_process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    if (QString::fromLocal8Bit(m_process.readLine()).trimmed().isEmpty()) {
        m_error = QStringLiteral("no device path: ") +
                  QString::fromLocal8Bit(m_process.readAllStandardError());
        return false;
    }
    m_device = link;
    return true;
}

// The link goes with the radio, as an unplugged adapter's name does.
void SimRadio::kill() {
    m_process.kill();
    m_process.waitForFinished(3000);
    QFile::remove(m_device);
}

QStringList SimRadio::logLines() const {
    return QString::fromLatin1(fileBytes(m_dir.filePath(QStringLiteral("sim.log"))))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QList<AnsweredLevel> SimRadio::levels() const {
    QList<AnsweredLevel> levels;
    for (const QString& line : logLines()) {
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() == 3 && parts[0] == QLatin1String("level"))
            levels.append({qRound(parts[1].toDouble() * 10), parts[2].toInt()});
    }
    return levels;
}

QByteArray SimRadio::received() const {
    QByteArray bytes;
    for (const QString& line : logLines())
        if (line.startsWith(QLatin1String("recv ")))
            bytes += unescape(line.mid(5).toLatin1());
    return bytes;
}

} // namespace testing
