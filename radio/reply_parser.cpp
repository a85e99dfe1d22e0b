// SPDX-License-Identifier: MIT
#include "radio/reply_parser.h"

#include "core/conventions.h"
#include "radio/protocol.h"
#include "scan/channel_plan.h"

#include <algorithm>
#include <cmath>

namespace radio {

namespace {

const QByteArray& Closed = protocol::Closed;

QString trimBlanks(QString text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

// A frequency text that reads as a finite number is shown as "000.0"; any other text ("inf",
// "nan", noise) stays as it is.
QString asFrequencyText(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? core::formatFreq(value) : text;
}

} // namespace

const QByteArray ReplyParser::Terminator = protocol::ReplyTerminator;

void ReplyParser::append(QByteArrayView received) {
    m_buffer.append(received);
    scanForClosed();
    if (m_buffer.size() > MaxBufferLength)
        trimToTail();
}

void ReplyParser::scanForClosed() {
    if (m_closedSeen)
        return;
    const qsizetype from = std::max<qsizetype>(0, m_closedSearchedTo - (Closed.size() - 1));
    m_closedSeen = m_buffer.indexOf(Closed, from) >= 0;
    m_closedSearchedTo = m_buffer.size();
}

void ReplyParser::trimToTail() {
    const qsizetype dropped = m_buffer.size() - KeptTailLength;
    m_buffer.remove(0, dropped);
    m_terminatorSearchedTo = std::max<qsizetype>(0, m_terminatorSearchedTo - dropped);
    m_closedSearchedTo = std::max<qsizetype>(0, m_closedSearchedTo - dropped);
}

std::optional<Reply> ReplyParser::takeReply() {
    // Nothing has arrived since the last search found no terminator.
    if (m_terminatorSearchedTo == m_buffer.size())
        return std::nullopt;
    const qsizetype from = std::max<qsizetype>(0, m_terminatorSearchedTo - (Terminator.size() - 1));
    const qsizetype end = m_buffer.indexOf(Terminator, from);
    if (end < 0) {
        m_terminatorSearchedTo = m_buffer.size();
        return std::nullopt;
    }

    // The reply's own text ends with its terminator: a reply that lacks a part must not take it
    // from the next reply, which may already wait behind it.
    const QByteArray own = m_buffer.left(end + Terminator.size());
    const qsizetype dash = own.indexOf('-');
    if (dash >= 0)
        m_levelText = trimBlanks(QString::fromLatin1(own.mid(dash, 4)));
    const qsizetype echo = own.indexOf("RX");
    const qsizetype frequencyAt = echo >= 0 ? echo + 3 : 2;
    m_frequencyText = asFrequencyText(trimBlanks(QString::fromLatin1(own.mid(frequencyAt, 6))));

    m_buffer.remove(0, end + Terminator.size());
    m_terminatorSearchedTo = 0;
    m_closedSearchedTo = 0;
    m_closedSeen = false;
    scanForClosed();

    Reply reply;
    reply.levelText = m_levelText;
    reply.frequencyText = m_frequencyText;
    reply.frequency = core::Val(m_frequencyText);
    // A frequency of 0, one that is not finite or one outside the plan makes a bad reply: it
    // names no channel, so it updates no reading.
    if (reply.frequency != 0 && std::isfinite(reply.frequency)) {
        const auto index = scan::channelIndexFromMhz(reply.frequency);
        if (index && scan::isChannelIndex(*index))
            reply.channelIndex = index;
    }
    reply.level = core::CLng(core::Val(m_levelText)).value_or(0);
    return reply;
}

void ReplyParser::clear() {
    m_buffer.clear();
    m_terminatorSearchedTo = 0;
    m_closedSearchedTo = 0;
    m_closedSeen = false;
}

} // namespace radio
