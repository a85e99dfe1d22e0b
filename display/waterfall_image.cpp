// SPDX-License-Identifier: MIT
#include "display/waterfall_image.h"

#include "survey/level_codes.h"

#include <algorithm>
#include <cstring>

namespace display {

namespace {

constexpr int Columns = scan::ChannelCount;

// Higher shows first; among levels, the smaller code (the stronger level) wins.
int precedence(unsigned char code) {
    if (survey::isLevelCode(code))
        return 4;
    switch (code) {
    case survey::NoReadingCode:
        return 3;
    case scan::GroupOffCode:
        return 2;
    case scan::OutOfRangeCode:
        return 1;
    default:
        return 0;
    }
}

// Whether `candidate` replaces `shown` in a pixel; a tie keeps what is shown.
bool replaces(unsigned char candidate, unsigned char shown) {
    const int a = precedence(candidate);
    const int b = precedence(shown);
    if (a != b)
        return a > b;
    return a == 4 && candidate < shown;
}

} // namespace

unsigned char strongerCode(unsigned char a, unsigned char b) {
    return replaces(b, a) ? b : a;
}

WaterfallImage::WaterfallImage(int capacity) {
    clear(capacity);
}

std::size_t WaterfallImage::index(int row, int channel) {
    return std::size_t(row) * Columns + std::size_t(channel);
}

void WaterfallImage::clear(int capacity) {
    capacity = std::max(1, capacity);
    m_image = QImage(Columns, capacity, QImage::Format_Indexed8);
    m_image.setColorTable(codeColorTable(m_scale));
    m_image.fill(EmptyPixel);
    m_loopIds.assign(std::size_t(Columns) * capacity, 0);
    m_rowStarts.assign(capacity, survey::LoopTime{});
    m_outside = {};
    m_loops = 0;
    m_loopsPerRow = 1;
    m_rowsUsed = 0;
    m_lastChange = Change::AllRows;
}

void WaterfallImage::setScale(const LevelScale& scale) {
    m_scale = scale;
    m_image.setColorTable(codeColorTable(m_scale));
}

void WaterfallImage::render(survey::ScanReader& reader) {
    clear(capacity());
    // Whole records bound the loops from above; when an unsound record ends the reading early,
    // the rows move up afterwards.
    const qint64 expected = std::max<qint64>(1, reader.recordCount());
    m_loopsPerRow = (expected + capacity() - 1) / capacity();
    const int rows = int((expected + m_loopsPerRow - 1) / m_loopsPerRow);

    reader.rewind();
    survey::Loop loop;
    // A scan still being recorded may grow meanwhile; loops beyond the count are for addLoop.
    while (m_loops < expected && reader.next(loop)) {
        const int row = rows - 1 - int(m_loops / m_loopsPerRow);
        if (m_loops % m_loopsPerRow == 0)
            m_rowStarts[row] = loop.Start;
        ++m_loops;
        mergeInto(row, loop);
    }
    m_rowsUsed = int((m_loops + m_loopsPerRow - 1) / m_loopsPerRow);
    const int unused = rows - m_rowsUsed;
    if (unused > 0) {
        uchar* bits = m_image.bits();
        const qsizetype stride = m_image.bytesPerLine();
        std::memmove(bits, bits + unused * stride, m_rowsUsed * stride);
        std::memset(bits + m_rowsUsed * stride, EmptyPixel, unused * stride);
        std::move(m_loopIds.begin() + index(unused, 0), m_loopIds.begin() + index(rows, 0),
                  m_loopIds.begin());
        std::fill(m_loopIds.begin() + index(m_rowsUsed, 0), m_loopIds.begin() + index(rows, 0), 0);
        std::move(m_rowStarts.begin() + unused, m_rowStarts.begin() + rows, m_rowStarts.begin());
    }
}

bool WaterfallImage::addLoop(const survey::Loop& loop) {
    if (loop.Number != m_loops + 1)
        return false;
    m_lastChange = Change::TopRow;
    if (m_loops % m_loopsPerRow == 0) {
        if (m_rowsUsed == capacity()) {
            mergeRowPairs();
            m_lastChange = Change::AllRows;
        }
        if (m_loops % m_loopsPerRow == 0) {
            startRow();
            if (m_lastChange == Change::TopRow)
                m_lastChange = Change::NewRow;
        }
    }
    if (m_loops % m_loopsPerRow == 0)
        m_rowStarts[0] = loop.Start;
    ++m_loops;
    mergeInto(0, loop);
    return true;
}

// Shifts every row down by one and leaves an empty row at the top.
void WaterfallImage::startRow() {
    uchar* bits = m_image.bits();
    const qsizetype stride = m_image.bytesPerLine();
    const int moved = std::min(m_rowsUsed, capacity() - 1);
    std::memmove(bits + stride, bits, moved * stride);
    std::memset(bits, EmptyPixel, stride);
    std::move_backward(m_loopIds.begin(), m_loopIds.begin() + index(moved, 0),
                       m_loopIds.begin() + index(moved + 1, 0));
    std::fill(m_loopIds.begin(), m_loopIds.begin() + Columns, 0);
    std::move_backward(m_rowStarts.begin(), m_rowStarts.begin() + moved,
                       m_rowStarts.begin() + moved + 1);
    m_rowsUsed = moved + 1;
}

// Groups 2g and 2g + 1 (counted from the first loop) become group g; rows fill from the bottom.
void WaterfallImage::mergeRowPairs() {
    const int oldRows = m_rowsUsed;
    const int newRows = (oldRows + 1) / 2;
    const auto rowOfGroup = [](int rows, int group) { return rows - 1 - group; };
    // From the top row down: a row is written only after every row it is read from.
    for (int g = newRows - 1; g >= 0; --g) {
        const int target = rowOfGroup(newRows, g);
        const int older = rowOfGroup(oldRows, 2 * g);
        const int newer = 2 * g + 1 < oldRows ? rowOfGroup(oldRows, 2 * g + 1) : -1;
        uchar* out = m_image.scanLine(target);
        const uchar* a = m_image.constScanLine(older);
        for (int c = 0; c < Columns; ++c) {
            unsigned char shown = a[c];
            qint32 loop = m_loopIds[index(older, c)];
            if (newer >= 0) {
                const unsigned char b = m_image.constScanLine(newer)[c];
                if (replaces(b, shown)) {
                    shown = b;
                    loop = m_loopIds[index(newer, c)];
                }
            }
            out[c] = shown;
            m_loopIds[index(target, c)] = loop;
        }
        m_rowStarts[target] = m_rowStarts[older];
    }
    for (int row = newRows; row < oldRows; ++row) {
        std::memset(m_image.scanLine(row), EmptyPixel, Columns);
        std::fill(m_loopIds.begin() + index(row, 0), m_loopIds.begin() + index(row + 1, 0), 0);
    }
    m_rowsUsed = newRows;
    m_loopsPerRow *= 2;
}

void WaterfallImage::mergeInto(int row, const survey::Loop& loop) {
    uchar* pixels = m_image.scanLine(row);
    qint32* ids = m_loopIds.data() + index(row, 0);
    for (int c = 0; c < Columns; ++c) {
        const unsigned char code = loop.Last[c];
        if (code == scan::OutOfRangeCode)
            m_outside.mark(c);
        if (ids[c] == 0 || replaces(code, pixels[c])) {
            pixels[c] = code;
            ids[c] = loop.Number;
        }
    }
}

qint64 WaterfallImage::firstLoopOfRow(int row) const {
    return qint64(m_rowsUsed - 1 - row) * m_loopsPerRow + 1;
}

qint64 WaterfallImage::lastLoopOfRow(int row) const {
    return std::min(firstLoopOfRow(row) + m_loopsPerRow - 1, m_loops);
}

} // namespace display
