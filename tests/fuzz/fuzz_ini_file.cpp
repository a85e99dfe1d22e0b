// SPDX-License-Identifier: MIT
// The settings file: over any file, a write that succeeds reads back as written (trimmed and cut
// to the read limit) and leaves every other key reading as before; a write that fails leaves the
// file as it was. A write of storable Latin-1 text into a readable file succeeds.
#include "settings/ini_file.h"
#include "tests/fuzz/fuzz_check.h"

#include <QFile>
#include <QRegularExpression>

namespace {

using settings::IniFile;
using settings::NotSet;

constexpr qsizetype ReadLimit = 99;
constexpr int MaxNames = 12;

QString trimBlanks(const QString& text) {
    static const QRegularExpression blanks(QStringLiteral("^[ \\t]+|[ \\t]+\\z"));
    return QString(text).remove(blanks);
}

bool holdsLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

bool storable(const QString& section, const QString& key, const QString& value) {
    const QString s = trimBlanks(section);
    const QString k = trimBlanks(key);
    const QString all = section + key + value;
    return std::all_of(all.begin(), all.end(), [](QChar c) { return c.unicode() <= 0xff; }) &&
           !s.isEmpty() && !s.contains(QLatin1Char(']')) && !holdsLineBreak(s) && !k.isEmpty() &&
           !k.contains(QLatin1Char('=')) && !k.startsWith(QLatin1Char('[')) &&
           !k.startsWith(QLatin1Char(';')) && !holdsLineBreak(k) && !holdsLineBreak(value);
}

QString expectedRead(const QString& value) {
    const QString read = trimBlanks(trimBlanks(value).left(ReadLimit));
    return read.isEmpty() ? NotSet : read;
}

bool sameName(const QString& a, const QString& b) {
    return trimBlanks(a).compare(trimBlanks(b), Qt::CaseInsensitive) == 0;
}

// Names that may be in the file: every bracketed line and every text before an "=".
void collectNames(const QByteArray& file, QStringList& sections, QStringList& keys) {
    for (const QByteArray& line : file.split('\n')) {
        const QString text = QString::fromLatin1(line);
        const qsizetype open = text.indexOf(QLatin1Char('['));
        if (open >= 0 && sections.size() < MaxNames)
            sections.append(text.mid(open + 1).section(QLatin1Char(']'), 0, 0));
        const qsizetype equals = text.indexOf(QLatin1Char('='));
        if (equals > 0 && keys.size() < MaxNames)
            keys.append(text.left(equals));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const uint8_t how = input.byte();
    const QString section = textFrom(input.bytes(input.byte() % 24), how);
    const QString key = textFrom(input.bytes(input.byte() % 24), how / 3);
    const QString value = textFrom(input.bytes(input.byte()), how / 9);
    const bool fileExists = how & 0x80;
    const QByteArray before = fileExists ? input.rest() : QByteArray();

    const QString path = fuzzFolder().filePath(QStringLiteral("settings.ini"));
    QFile::remove(path);
    if (fileExists)
        FUZZ_CHECK(testing::writeFile(path, before));

    QStringList sections{section};
    QStringList keys{key};
    collectNames(before, sections, keys);
    IniFile ini(path);
    QList<QString> reads;
    for (const QString& s : sections)
        for (const QString& k : keys)
            reads.append(ini.ReadIni(s, k));

    const bool written = ini.WriteIni(section, key, value);
    FUZZ_CHECK(written || !storable(section, key, value));
    if (!written) {
        FUZZ_CHECK(QFile::exists(path) == fileExists && testing::fileBytes(path) == before);
        return 0;
    }
    FUZZ_CHECK(ini.ReadIni(section, key) == expectedRead(value));
    qsizetype i = 0;
    for (const QString& s : sections) {
        for (const QString& k : keys) {
            const QString read = ini.ReadIni(s, k);
            FUZZ_CHECK((sameName(s, section) && sameName(k, key)) || read == reads[i]);
            ++i;
        }
    }
    return 0;
}
