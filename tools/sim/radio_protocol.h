// SPDX-License-Identifier: MIT
#pragma once

#include "tools/sim/band_model.h"

#include <QByteArray>
#include <QVector>

#include <optional>

namespace tools::sim {

// One thing the radio says back, with what it means for the log.
struct Answer {
    enum class Kind { Prompt, Unlock, Level, Closed };

    Kind kind = Kind::Prompt;
    QByteArray text;
    int tenthsMHz = 0; // Level only: the tuned frequency (9022 = 902.2 MHz)
    int level = 0;     // Level only: whole dBm, negative
};

struct ProtocolOptions {
    std::optional<int> closedAfter; // "CLOSED" in place of every reply after this many
    std::optional<int> silentAfter; // nothing at all is answered after this many replies
    bool deaf = false;              // the wake-up is never answered
    int sleepThrough = 0;           // this many wake-ups go unanswered first
    QByteArray passCode = QByteArrayLiteral("QK47"); // the access code that unlocks setup mode
    std::optional<int> zeroLevelAt; // this level reply (1 = the first) reads "-0 dBm"
};

// The radio's command interpreter: bytes from the line in, answers out, no I/O and no clock.
//
// Asleep it waits for ESC followed by CR or LF. Awake it takes "SETUP" and "PASS <code>"; the
// right code unlocks setup mode, a wrong one answers "CLOSED" and puts it back to sleep. Unlocked,
// "RX fff.f" tunes the receiver and "RSSI!" answers one level reply. CR, LF or CR LF end a
// command; command words are not case-sensitive, the pass code is.
class RadioProtocol {
public:
    static const QByteArray WakePrompt;
    static const QByteArray CodePrompt;
    static const QByteArray UnlockPrompt;
    static const QByteArray ClosedNotice;

    RadioProtocol(ProtocolOptions options, BandModel& band);

    QVector<Answer> feed(const QByteArray& bytes);

    // "RX 902.2" CR LF "-87 dBm" CR LF "SETUP>"
    static QByteArray levelReply(int tenthsMHz, int level);
    // A reply whose level reads as 0: "RX 902.2" CR LF "-0 dBm" CR LF "SETUP>"
    static QByteArray zeroLevelReply(int tenthsMHz);
    // 9022 gives "902.2"
    static QByteArray frequencyText(int tenthsMHz);

private:
    enum class State { Asleep, Awake, Unlocked };

    void wake(QVector<Answer>& answers);
    void handleLine(const QByteArray& line, QVector<Answer>& answers);
    void handlePass(const QByteArray& code, QVector<Answer>& answers);
    void handleTune(const QByteArray& argument);
    void handleLevelRequest(QVector<Answer>& answers);
    bool silenced() const;

    ProtocolOptions m_options;
    BandModel& m_band;
    State m_state = State::Asleep;
    bool m_escapeSeen = false;
    QByteArray m_line;
    int m_tunedTenths = 9022;
    int m_replies = 0;
    int m_repliesSinceClosed = 0;
    int m_wakeUpsSlept = 0;
};

} // namespace tools::sim
