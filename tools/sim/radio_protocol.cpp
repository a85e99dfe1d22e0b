// SPDX-License-Identifier: MIT
#include "tools/sim/radio_protocol.h"

#include <cmath>

namespace tools::sim {

namespace {

constexpr char Esc = 27;
constexpr char Cr = 13;
constexpr char Lf = 10;
// A line longer than any command is garbage; it is cut so that it cannot grow without bound.
constexpr int MaxLineLength = 256;
constexpr int MaxTenthsMHz = 99999;

bool isLineEnd(char byte) {
    return byte == Cr || byte == Lf;
}

} // namespace

const QByteArray RadioProtocol::WakePrompt = QByteArrayLiteral("\r\nTernaflow setup\r\n>");
const QByteArray RadioProtocol::CodePrompt = QByteArrayLiteral("\r\nEnter pass code\r\n>");
const QByteArray RadioProtocol::UnlockPrompt = QByteArrayLiteral("\r\nSETUP>");
const QByteArray RadioProtocol::ClosedNotice = QByteArrayLiteral("CLOSED\r\n");

RadioProtocol::RadioProtocol(ProtocolOptions options, BandModel& band)
    : m_options(options), m_band(band) {}

QByteArray RadioProtocol::frequencyText(int tenthsMHz) {
    return QByteArray::number(tenthsMHz / 10).rightJustified(3, '0') + '.' +
           QByteArray::number(tenthsMHz % 10);
}

QByteArray RadioProtocol::levelReply(int tenthsMHz, int level) {
    return "RX " + frequencyText(tenthsMHz) + "\r\n" + QByteArray::number(level) + " dBm\r\nSETUP>";
}

QByteArray RadioProtocol::zeroLevelReply(int tenthsMHz) {
    return "RX " + frequencyText(tenthsMHz) + "\r\n-0 dBm\r\nSETUP>";
}

bool RadioProtocol::silenced() const {
    return m_options.silentAfter && m_replies >= *m_options.silentAfter;
}

QVector<Answer> RadioProtocol::feed(const QByteArray& bytes) {
    QVector<Answer> answers;
    for (const char byte : bytes) {
        if (m_escapeSeen) {
            m_escapeSeen = false;
            if (isLineEnd(byte)) {
                wake(answers);
                continue;
            }
        }
        if (byte == Esc) {
            m_escapeSeen = true;
            m_line.clear();
            continue;
        }
        if (m_state == State::Asleep)
            continue;
        if (isLineEnd(byte)) {
            handleLine(m_line.trimmed(), answers);
            m_line.clear();
        } else if (m_line.size() < MaxLineLength) {
            m_line.append(byte);
        }
    }
    return answers;
}

void RadioProtocol::wake(QVector<Answer>& answers) {
    m_line.clear();
    if (m_options.deaf || silenced())
        return;
    if (m_wakeUpsSlept < m_options.sleepThrough) {
        ++m_wakeUpsSlept;
        return;
    }
    m_state = State::Awake;
    answers.append({Answer::Kind::Prompt, WakePrompt});
}

void RadioProtocol::handleLine(const QByteArray& line, QVector<Answer>& answers) {
    if (silenced())
        return;
    const QByteArray word = line.toUpper();
    if (word == "SETUP") {
        answers.append(
            {Answer::Kind::Prompt, m_state == State::Unlocked ? UnlockPrompt : CodePrompt});
    } else if (word.startsWith("PASS")) {
        handlePass(line.mid(4).trimmed(), answers);
    } else if (m_state != State::Unlocked) {
        return;
    } else if (word.startsWith("RX")) {
        handleTune(line.mid(2).trimmed());
    } else if (word == "RSSI!") {
        handleLevelRequest(answers);
    }
}

void RadioProtocol::handlePass(const QByteArray& code, QVector<Answer>& answers) {
    if (code == m_options.passCode) {
        m_state = State::Unlocked;
        answers.append({Answer::Kind::Unlock, UnlockPrompt});
    } else {
        m_state = State::Asleep;
        answers.append({Answer::Kind::Closed, ClosedNotice});
    }
}

void RadioProtocol::handleTune(const QByteArray& argument) {
    bool ok = false;
    const double mhz = argument.toDouble(&ok);
    if (!ok || !std::isfinite(mhz))
        return;
    const long tenths = std::lround(mhz * 10);
    if (tenths >= 0 && tenths <= MaxTenthsMHz)
        m_tunedTenths = static_cast<int>(tenths);
}

void RadioProtocol::handleLevelRequest(QVector<Answer>& answers) {
    if (m_options.closedAfter && m_repliesSinceClosed >= *m_options.closedAfter) {
        m_repliesSinceClosed = 0;
        m_state = State::Asleep;
        answers.append({Answer::Kind::Closed, ClosedNotice});
        return;
    }
    const int level = m_band.measure(m_tunedTenths);
    ++m_replies;
    ++m_repliesSinceClosed;
    if (m_options.zeroLevelAt && m_replies == *m_options.zeroLevelAt) {
        answers.append({Answer::Kind::Level, zeroLevelReply(m_tunedTenths), m_tunedTenths, 0});
        return;
    }
    answers.append({Answer::Kind::Level, levelReply(m_tunedTenths, level), m_tunedTenths, level});
}

} // namespace tools::sim
