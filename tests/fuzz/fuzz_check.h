// SPDX-License-Identifier: MIT
#pragma once

#include "tests/support/file_bytes.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// A property that does not hold ends the run as a crash: libFuzzer keeps the input that broke it,
// and replaying a kept input fails its test.
[[noreturn]] inline void propertyFailed(const char* file, int line, const char* property) {
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, property);
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(property) ((property) ? void() : propertyFailed(__FILE__, __LINE__, #property))

// Reads a fuzz input front to back; past its end every read gives zeros.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }

    template <typename T> T value() {
        unsigned char raw[sizeof(T)];
        for (unsigned char& b : raw)
            b = byte();
        T v;
        std::memcpy(&v, raw, sizeof v);
        return v;
    }

    QByteArray bytes(size_t count) {
        count = std::min(count, m_size - m_at);
        const QByteArray taken(reinterpret_cast<const char*>(m_data + m_at), qsizetype(count));
        m_at += count;
        return taken;
    }
    QByteArray rest() { return bytes(m_size - m_at); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

// Bytes as text, decoded as the selector says: Latin-1, UTF-8, or raw UTF-16 code units (which
// may hold lone surrogates).
inline QString textFrom(const QByteArray& bytes, uint8_t selector) {
    if (selector % 3 == 0)
        return QString::fromLatin1(bytes);
    if (selector % 3 == 1)
        return QString::fromUtf8(bytes);
    QString text;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        text += QChar(char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8));
    return text;
}

// A folder of the run's own for the files a target writes.
inline const QTemporaryDir& fuzzFolder() {
    static const QTemporaryDir dir;
    return dir;
}

// An optional "-", at least integerDigits digits, ".", one digit: "000.0" for three.
inline bool inDecimalPattern(const QString& text, int integerDigits) {
    const qsizetype start = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    const qsizetype point = text.size() - 2;
    if (point - start < integerDigits || text[point] != QLatin1Char('.'))
        return false;
    for (qsizetype i = start; i < text.size(); ++i)
        if (i != point && (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9')))
            return false;
    return true;
}
