// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <optional>

// The program's number and text conventions, shared by every subsystem.
namespace core {

// Numeric value of the leading number in a text (after leading blanks): "12.5dB" gives 12.5,
// " -87" gives -87, "NOT SET" gives 0.
double Val(QStringView text);
double Val(QByteArrayView text);

// Nearest whole number, halves to the even neighbour (12.5 gives 12, 13.5 gives 14).
double roundHalfEven(double x);

// Conversions to 16- and 32-bit integers with halves to even; nullopt on overflow.
std::optional<qint16> CInt(double x);
std::optional<qint32> CLng(double x);

// Largest whole number not above x.
double Int(double x);

// "000.0": at least three integer digits and one decimal (902.2, 045.0); "inf", "-inf" or "nan"
// for a value that is not finite.
QString formatFreq(double x);
// "#00.0": at least two integer digits and one decimal (85.4, 05.0); like formatFreq otherwise.
QString formatLevel(double x);

// "mm-dd-yyyy  hh:mm:ss" (two blanks, 24-hour clock).
QString dateTimeText(const QDateTime& when);
// Reads a text made by dateTimeText back as the wall-clock reading it is, kept as UTC
// so that no zone applies; surrounding and doubled blanks are accepted.
std::optional<QDateTime> parseDateTimeText(QStringView text);
// Whole seconds from one date-time text to another; nullopt when either cannot be read.
std::optional<qint64> secondsBetween(QStringView from, QStringView to);

// Elapsed time as "1d 2h 3m 4s", leaving out zero parts: 3725 gives "1h 2m 5s", 60 gives "1m ",
// 0.5 gives "" (it truncates to 0 after the test), 0 or less gives "0s".
QString FormatElapsed(double seconds);

// "90s", "30m", "12h", "2d" or plain seconds; nullopt for anything else or for 0.
std::optional<qint64> parseDuration(const QString& text);

} // namespace core
