// SPDX-License-Identifier: MIT
#pragma once

#include "display/waterfall_colors.h"
#include "survey/channel_span.h"
#include "survey/scan_reader.h"

#include <QImage>

#include <vector>

namespace display {

// The waterfall of a scan: an 8-bit image with one column per channel of the plan and at most
// `capacity` rows, newest loop at the top. Each pixel holds a code (its colour comes from the
// image's colour table). While the loops fit, a row is a loop; beyond that each row covers
// loopsPerRow() loops, counted from the first loop, and shows the strongest level among them, so
// a single loop's burst stays visible however long the scan. A live scan adds a loop by merging
// it into the top row or shifting the rows down by one; when the rows are full, pairs of rows
// merge and loopsPerRow() doubles.
class WaterfallImage {
public:
    explicit WaterfallImage(int capacity = 1);

    // No loops, room for `capacity` rows (at least 1).
    void clear(int capacity);
    // Every loop the reader gives, from its first, in place of what was shown.
    void render(survey::ScanReader& reader);
    // The loop after the last one shown. False, changing nothing, when its number does not follow.
    bool addLoop(const survey::Loop& loop);
    // What the last loop added changed: the top row only, every row moved down by one with a new
    // top row, or every row (rows merged in pairs).
    enum class Change { TopRow, NewRow, AllRows };
    Change lastChange() const { return m_lastChange; }

    void setScale(const LevelScale& scale);
    const LevelScale& scale() const { return m_scale; }

    // ChannelCount x capacity; rows from rowsUsed() on hold EmptyPixel.
    const QImage& image() const { return m_image; }
    int capacity() const { return m_image.height(); }
    int rowsUsed() const { return m_rowsUsed; }
    qint64 loops() const { return m_loops; }
    qint64 loopsPerRow() const { return m_loopsPerRow; }
    // The channels inside the scan's frequency limits.
    survey::ChannelSpan span() const { return m_outside.span(); }

    // For a row below rowsUsed(): the first and last loop it covers, and its first loop's start.
    qint64 firstLoopOfRow(int row) const;
    qint64 lastLoopOfRow(int row) const;
    const survey::LoopTime& rowStart(int row) const { return m_rowStarts[row]; }
    unsigned char code(int row, int channel) const { return m_image.constScanLine(row)[channel]; }
    // The loop that gave the pixel its code (the first of them on a tie); 0 where no loop did.
    qint32 loopAt(int row, int channel) const { return m_loopIds[index(row, channel)]; }

private:
    static std::size_t index(int row, int channel);
    void startRow();
    void mergeRowPairs();
    void mergeInto(int row, const survey::Loop& loop);

    QImage m_image;
    std::vector<qint32> m_loopIds;
    std::vector<survey::LoopTime> m_rowStarts;
    LevelScale m_scale;
    survey::OutOfRangeChannels m_outside;
    qint64 m_loops = 0;
    qint64 m_loopsPerRow = 1;
    int m_rowsUsed = 0;
    Change m_lastChange = Change::AllRows;
};

// Which of two codes a pixel covering both shows: the stronger level; without a level, a reading
// that gave none before a switched-off group, before a channel outside the limits.
unsigned char strongerCode(unsigned char a, unsigned char b);

} // namespace display
