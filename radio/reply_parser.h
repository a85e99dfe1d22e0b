// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace radio {

// One reply cut out of the receive buffer.
struct Reply {
    QString levelText; // "-87": 4 characters from the reply's first "-", or the previous reply's
    QString frequencyText; // "902.2": 6 characters after "RX ", in the "000.0" pattern
    double frequency = 0;  // MHz; 0 when the text holds no number
    // From the echoed frequency; unset when the frequency is 0, not finite or outside the plan.
    std::optional<int> channelIndex;
    int level = 0; // whole dBm, negative; 0 when no level was ever read
};

// Collects the radio's characters and cuts replies ending in "dBm" CR LF "SETUP>" out of them.
//
// Line noise without a terminator must neither grow the buffer without bound nor make each
// received character cost more as the buffer grows: searches resume where the last one stopped,
// and past MaxBufferLength characters only the newest KeptTailLength are kept. A reply is far
// shorter than that and is always the newest text, so it survives the cut.
class ReplyParser {
public:
    static constexpr qsizetype MaxBufferLength = 4096;
    static constexpr qsizetype KeptTailLength = 1024;
    static const QByteArray Terminator;

    void append(QByteArrayView received);
    // Cuts out the first complete reply, keeping what follows it; nullopt when none is complete.
    std::optional<Reply> takeReply();
    // The radio reported "CLOSED" (it left its setup mode) since the buffer was last emptied.
    bool containsClosed() const { return m_closedSeen; }
    void clear();

    const QByteArray& RxBuffer() const { return m_buffer; }

private:
    void trimToTail();
    void scanForClosed();

    QByteArray m_buffer;
    qsizetype m_terminatorSearchedTo = 0;
    qsizetype m_closedSearchedTo = 0;
    bool m_closedSeen = false;
    QString m_levelText;
    std::optional<int> m_level; // m_levelText's value when it was read straight from its digits
    QString m_frequencyText;
};

} // namespace radio
