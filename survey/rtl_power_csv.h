// SPDX-License-Identifier: MIT
#pragma once

#include "survey/channel_span.h"
#include "survey/scan_reader.h"

#include <QByteArray>
#include <QString>

class QIODevice;

// A scan's loops in the CSV layout of rtl_power, so that the scripts written for rtl_power files
// read them as they are. One row per loop:
//   date, time, Hz low, Hz high, Hz step, samples, dBm, dBm, ...
//   2024-05-01, 14:05:33, 902200000, 927800000, 200000, 1, -108, -97, ..., -110
// with one level per channel of the scan's span. Hz low is the first channel's frequency and
// Hz high the last one's plus one step, so value i belongs to Hz low + i * step and
// (Hz high - Hz low) / step is the number of values, as in rtl_power's rows. A channel without a
// level in that loop (no reading, group switched off, not reached) is "nan": rtl_power writes the
// same for a bin without power, and its readers take it as a number.
namespace survey {

constexpr int ChannelStepHz = 200000;

qint64 channelHz(int channel);

// The row of one loop, with its line end.
QByteArray loopCsvRow(const Loop& loop, const ChannelSpan& span);

// The span of every loop the reader gives; reads the scan once and rewinds it.
ChannelSpan scanSpan(ScanReader& reader);

// Writes every loop the reader gives, from the first. False with a message on a write error.
bool writeLoopsCsv(ScanReader& reader, QIODevice& out, QString* error);

} // namespace survey
