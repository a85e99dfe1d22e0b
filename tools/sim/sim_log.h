// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

#include <cstdio>

namespace tools::sim {

// C-style escape: \r, \n, \\ and \xNN (two lower-case hex digits) for every other byte outside
// the printable ASCII range; ESC is "\x1b".
QByteArray escapeBytes(const QByteArray& bytes);

// The log read by tests, one line per event, flushed per line:
//   recv <escaped bytes>   each chunk read from the line
//   level <fff.f> <dBm>    each level reply sent, e.g. "level 902.2 -87"
//   unlock                 the pass code was accepted
//   closed                 "CLOSED" was sent
class SimLog {
public:
    SimLog() = default;
    ~SimLog();
    SimLog(const SimLog&) = delete;
    SimLog& operator=(const SimLog&) = delete;

    // An empty path keeps the log closed; false when the file cannot be created.
    bool open(const QString& path);

    void received(const QByteArray& bytes);
    void level(int tenthsMHz, int level);
    void unlocked();
    void closed();

private:
    void writeLine(const QByteArray& line);

    std::FILE* m_file = nullptr;
};

} // namespace tools::sim
