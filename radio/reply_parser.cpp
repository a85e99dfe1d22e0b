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

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The radio's usual frequency text, "902.2" and nothing but white space after it, in tenths of a
// MHz; nullopt for anything else, which the general reading handles.
std::optional<int> plainFrequencyTenths(QByteArrayView raw) {
    if (raw.size() < 5 || !isDigit(raw[0]) || !isDigit(raw[1]) || !isDigit(raw[2]) ||
        raw[3] != '.' || !isDigit(raw[4]))
        return std::nullopt;
    for (const char c : raw.sliced(5))
        if (c != ' ' && c != '\r' && c != '\n' && c != '\t' && c != '\v' && c != '\f')
            return std::nullopt;
    return (raw[0] - '0') * 1000 + (raw[1] - '0') * 100 + (raw[2] - '0') * 10 + (raw[4] - '0');
}

// The radio's usual level text, "-87" followed by a blank or nothing, as whole dBm; nullopt for
// anything else, which the general reading handles.
std::optional<int> plainLevel(QByteArrayView text) {
    if (text.size() < 2 || text[0] != '-' || !isDigit(text[1]))
        return std::nullopt;
    int magnitude = 0;
    qsizetype i = 1;
    for (; i < text.size() && isDigit(text[i]); ++i)
        magnitude = magnitude * 10 + (text[i] - '0');
    if (i < text.size() && text[i] != ' ')
        return std::nullopt;
    return -magnitude;
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
    const QByteArrayView own(m_buffer.constData(), end + Terminator.size());
    const qsizetype dash = own.indexOf('-');
    if (dash >= 0) {
        const QByteArrayView levelText =
            own.sliced(dash, std::min<qsizetype>(4, own.size() - dash));
        m_levelText = trimBlanks(QString::fromLatin1(levelText));
        m_level = plainLevel(levelText);
    }
    const qsizetype echo = own.indexOf(QByteArrayView("RX"));
    const qsizetype frequencyAt = std::min(echo >= 0 ? echo + 3 : 2, own.size());
    const QByteArrayView frequencyText =
        own.sliced(frequencyAt, std::min<qsizetype>(6, own.size() - frequencyAt));
    // A reply spends most of its reading on these two numbers: the radio's usual texts are read
    // straight from their digits, anything else as a number text is read.
    const auto tenths = plainFrequencyTenths(frequencyText);
    m_frequencyText = tenths ? QString::fromLatin1(frequencyText.first(5))
                             : asFrequencyText(trimBlanks(QString::fromLatin1(frequencyText)));

    m_buffer.remove(0, end + Terminator.size());
    m_terminatorSearchedTo = 0;
    m_closedSearchedTo = 0;
    m_closedSeen = false;
    scanForClosed();

    Reply reply;
    reply.levelText = m_levelText;
    reply.frequencyText = m_frequencyText;
    reply.frequency = tenths ? *tenths / 10.0 : core::Val(m_frequencyText);
    // A frequency of 0, one that is not finite or one outside the plan makes a bad reply: it
    // names no channel, so it updates no reading.
    if (reply.frequency != 0 && std::isfinite(reply.frequency)) {
        const auto index = scan::channelIndexFromMhz(reply.frequency);
        if (index && scan::isChannelIndex(*index))
            reply.channelIndex = index;
    }
    reply.level = m_level ? *m_level : core::CLng(core::Val(m_levelText)).value_or(0);
    return reply;
}

void ReplyParser::clear() {
    m_buffer.clear();
    m_terminatorSearchedTo = 0;
    m_closedSearchedTo = 0;
    m_closedSeen = false;
}

} // namespace radio
