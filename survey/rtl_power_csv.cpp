// SPDX-License-Identifier: MIT
#include "survey/rtl_power_csv.h"

#include "survey/level_codes.h"

#include <QIODevice>

#include <array>

namespace survey {

namespace {

constexpr qsizetype FlushSize = 1 << 16;

// The text of each code's value, ", " in front.
const std::array<QByteArray, 256>& valueTexts() {
    static const std::array<QByteArray, 256> texts = [] {
        std::array<QByteArray, 256> t;
        for (int code = 0; code < 256; ++code) {
            t[code] = isLevelCode(static_cast<unsigned char>(code))
                          ? ", " + QByteArray::number(levelDbm(static_cast<unsigned char>(code)))
                          : QByteArray(", nan");
        }
        return t;
    }();
    return texts;
}

QByteArray frequencyColumns(const ChannelSpan& span) {
    return ", " + QByteArray::number(channelHz(span.First)) + ", " +
           QByteArray::number(channelHz(span.Last) + ChannelStepHz) + ", " +
           QByteArray::number(ChannelStepHz) + ", 1";
}

void appendRow(QByteArray& out, const Loop& loop, const ChannelSpan& span,
               const QByteArray& frequencies) {
    const auto& texts = valueTexts();
    out.append(loop.Start.IsoDate.data(), loop.Start.IsoDate.size());
    out.append(", ");
    out.append(loop.Start.Clock.data(), loop.Start.Clock.size());
    out.append(frequencies);
    for (int c = span.First; c <= span.Last; ++c)
        out.append(texts[loop.Last[c]]);
    out.append('\n');
}

} // namespace

qint64 channelHz(int channel) {
    return qint64(scan::channelF10(channel)) * 100000;
}

QByteArray loopCsvRow(const Loop& loop, const ChannelSpan& span) {
    QByteArray row;
    appendRow(row, loop, span, frequencyColumns(span));
    return row;
}

ChannelSpan scanSpan(ScanReader& reader) {
    reader.rewind();
    OutOfRangeChannels outside;
    Loop loop;
    while (reader.next(loop)) {
        for (int c = 0; c < scan::ChannelCount; ++c) {
            if (loop.Last[c] == scan::OutOfRangeCode)
                outside.mark(c);
        }
    }
    reader.rewind();
    return outside.span();
}

bool writeLoopsCsv(ScanReader& reader, QIODevice& out, QString* error) {
    const ChannelSpan span = scanSpan(reader);
    const QByteArray frequencies = frequencyColumns(span);
    QByteArray buffer;
    buffer.reserve(FlushSize + 4096);
    const auto flush = [&] {
        if (out.write(buffer) != buffer.size()) {
            if (error)
                *error = out.errorString();
            return false;
        }
        buffer.resize(0); // keeps the reserved room
        return true;
    };
    Loop loop;
    while (reader.next(loop)) {
        appendRow(buffer, loop, span, frequencies);
        if (buffer.size() >= FlushSize && !flush())
            return false;
    }
    return flush();
}

} // namespace survey
