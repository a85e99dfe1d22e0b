// SPDX-License-Identifier: MIT
#include "tools/sim/sim_log.h"

#include "tools/sim/radio_protocol.h"

#include <QFile>

namespace tools::sim {

QByteArray escapeBytes(const QByteArray& bytes) {
    static const char Hex[] = "0123456789abcdef";
    QByteArray escaped;
    escaped.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        if (byte == '\r') {
            escaped += "\\r";
        } else if (byte == '\n') {
            escaped += "\\n";
        } else if (byte == '\\') {
            escaped += "\\\\";
        } else if (code >= 0x20 && code < 0x7f) {
            escaped += byte;
        } else {
            escaped += "\\x";
            escaped += Hex[code >> 4];
            escaped += Hex[code & 0xf];
        }
    }
    return escaped;
}

SimLog::~SimLog() {
    if (m_file)
        std::fclose(m_file);
}

bool SimLog::open(const QString& path) {
    if (path.isEmpty())
        return true;
    m_file = std::fopen(QFile::encodeName(path).constData(), "w");
    return m_file != nullptr;
}

void SimLog::received(const QByteArray& bytes) {
    writeLine("recv " + escapeBytes(bytes));
}

void SimLog::level(int tenthsMHz, int level) {
    writeLine("level " + RadioProtocol::frequencyText(tenthsMHz) + ' ' + QByteArray::number(level));
}

void SimLog::unlocked() {
    writeLine("unlock");
}

void SimLog::closed() {
    writeLine("closed");
}

void SimLog::writeLine(const QByteArray& line) {
    if (!m_file)
        return;
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), m_file);
    std::fputc('\n', m_file);
    std::fflush(m_file);
}

} // namespace tools::sim
