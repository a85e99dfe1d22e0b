// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// What the program says to the radio, and what it looks for in the radio's answers.
namespace radio::protocol {

// Wakes the radio: ESC, then CR LF bursts until it answers.
inline const QByteArray WakeUp = QByteArrayLiteral("\x1b");
inline const QByteArray WakeUpBurst = QByteArrayLiteral("\r\n");
// The radio's setup prompt; when its first answer lacks it, the program asks for it.
inline const QByteArray SetupPrompt = QByteArrayLiteral("SETUP");
inline const QByteArray SetupCommand = QByteArrayLiteral("SETUP\r");
// The diagnostic "Setup" button's variant.
inline const QByteArray SetupCommandCrLf = QByteArrayLiteral("SETUP\r\n");
// The access code that unlocks the radio's setup mode.
inline const QByteArray AccessCode = QByteArrayLiteral("QK47");
inline const QByteArray AccessCommand = "PASS " + AccessCode + '\r';
// Every reply to a request ends so.
inline const QByteArray ReplyTerminator = QByteArrayLiteral("dBm\r\nSETUP>");
// The radio left its setup mode (or refused the access code).
inline const QByteArray Closed = QByteArrayLiteral("CLOSED");
// Written to every port the start-up probe opens, without a terminator.
inline const QByteArray ProbeText = QByteArrayLiteral("TEST");

// "RX 902.2" CR "RSSI!" CR: tunes the receiver and asks for the level there.
inline QByteArray levelRequest(const QString& frequencyText) {
    return "RX " + frequencyText.toLatin1() + "\rRSSI!\r";
}

} // namespace radio::protocol
