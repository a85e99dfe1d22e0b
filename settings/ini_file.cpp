// SPDX-License-Identifier: MIT
#include "settings/ini_file.h"

#include <QFile>
#include <QList>
#include <QSaveFile>

#include <algorithm>
#include <optional>
#include <utility>

namespace settings {

namespace {

constexpr qsizetype ReadBufferSize = 100; // includes the terminating character

#ifdef Q_OS_WIN
const QByteArray NewFileLineEnding = QByteArrayLiteral("\r\n");
#else
const QByteArray NewFileLineEnding = QByteArrayLiteral("\n");
#endif

struct Line {
    QByteArray text;   // Latin-1, without its line ending
    QByteArray ending; // "\r\n", "\n", or on the last line "\r" or nothing
};

struct ParsedLine {
    enum Kind { Other, Section, Key } kind = Other;
    QByteArray name;
    qsizetype valueStart =
        0; // in a key line: the first character of the value after '=' and blanks
};

// Where a key sits: line indices, -1 when absent.
struct Location {
    qsizetype section = -1;
    qsizetype key = -1;
    qsizetype insertAfter = -1; // the section's last key line, or its header without keys
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArray trimBlanks(const QByteArray& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

bool sameName(const QByteArray& a, const QByteArray& b) {
    return QLatin1String(a).compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

QList<Line> splitLines(const QByteArray& bytes) {
    QList<Line> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype newline = bytes.indexOf('\n', start);
        if (newline < 0) {
            // A file cut short between CR and LF: the CR still ends the line.
            const bool cr = bytes.endsWith('\r');
            lines.append({bytes.mid(start, bytes.size() - start - (cr ? 1 : 0)),
                          cr ? QByteArrayLiteral("\r") : QByteArray()});
            break;
        }
        const qsizetype end =
            newline > start && bytes.at(newline - 1) == '\r' ? newline - 1 : newline;
        lines.append({bytes.mid(start, end - start), bytes.mid(end, newline + 1 - end)});
        start = newline + 1;
    }
    return lines;
}

QByteArray joinLines(const QList<Line>& lines) {
    QByteArray bytes;
    for (const Line& line : lines)
        bytes += line.text + line.ending;
    return bytes;
}

// The ending of the file's first terminated line; a file without one takes the platform's.
QByteArray lineEnding(const QList<Line>& lines) {
    for (const Line& line : lines) {
        if (line.ending.endsWith('\n'))
            return line.ending;
    }
    return NewFileLineEnding;
}

// Before a line is written behind it, a last line gets a whole ending: a lone CR becomes CR LF.
void completeEnding(Line& line, const QByteArray& ending) {
    if (line.ending.isEmpty())
        line.ending = ending;
    else if (!line.ending.endsWith('\n'))
        line.ending += '\n';
}

// The text in the file's Latin-1, or nothing when a character lies beyond it.
std::optional<QByteArray> latin1(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() > 0xff)
            return std::nullopt;
    }
    return text.toLatin1();
}

// Names the first character beyond Latin-1 by its code point: a pair of surrogates as the one
// character it stands for, a lone surrogate as itself.
QString beyondLatin1Message(const QString& text) {
    char32_t beyond = 0;
    for (qsizetype i = 0; i < text.size() && !beyond; ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            beyond = QChar::surrogateToUcs4(c, text.at(i + 1));
        else if (c.unicode() > 0xff)
            beyond = c.unicode();
    }
    return QStringLiteral("The settings file holds Latin-1 text only: \"%1\" holds the character "
                          "U+%2, which it cannot store.")
        .arg(text,
             QString::number(quint32(beyond), 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

ParsedLine parseLine(const QByteArray& text) {
    ParsedLine parsed;
    qsizetype at = 0;
    while (at < text.size() && isBlank(text.at(at)))
        ++at;
    if (at == text.size() || text.at(at) == ';')
        return parsed;
    if (text.at(at) == '[') {
        const qsizetype close = text.indexOf(']', at + 1);
        parsed.kind = ParsedLine::Section;
        parsed.name = trimBlanks(text.mid(at + 1, close < 0 ? -1 : close - at - 1));
        return parsed;
    }
    const qsizetype equals = text.indexOf('=', at);
    if (equals < 0)
        return parsed;
    parsed.name = trimBlanks(text.mid(at, equals - at));
    if (parsed.name.isEmpty())
        return parsed;
    parsed.kind = ParsedLine::Key;
    parsed.valueStart = equals + 1;
    while (parsed.valueStart < text.size() && isBlank(text.at(parsed.valueStart)))
        ++parsed.valueStart;
    return parsed;
}

Location locate(const QList<Line>& lines, const QByteArray& section, const QByteArray& key) {
    Location found;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const ParsedLine parsed = parseLine(lines.at(i).text);
        if (parsed.kind == ParsedLine::Section) {
            if (found.section >= 0)
                break;
            if (sameName(parsed.name, section))
                found.section = found.insertAfter = i;
        } else if (parsed.kind == ParsedLine::Key && found.section >= 0) {
            found.insertAfter = i;
            if (found.key < 0 && sameName(parsed.name, key))
                found.key = i;
        }
    }
    return found;
}

bool holdsLineBreak(const QByteArray& text) {
    return text.contains('\n') || text.contains('\r');
}

// Names that would read back as something else, or not at all, cannot be written.
bool storable(const QByteArray& section, const QByteArray& key, const QByteArray& value) {
    return !section.isEmpty() && !section.contains(']') && !holdsLineBreak(section) &&
           !key.isEmpty() && !key.contains('=') && !key.startsWith('[') && !key.startsWith(';') &&
           !holdsLineBreak(key) && !holdsLineBreak(value);
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

const QString& IniFile::path() const {
    return m_path;
}

const QString& IniFile::errorString() const {
    return m_error;
}

QString IniFile::ReadIni(const QString& section, const QString& key) const {
    // A name beyond Latin-1 cannot be in the file.
    const auto sectionName = latin1(section);
    const auto keyName = latin1(key);
    if (!sectionName || !keyName)
        return NotSet;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return NotSet;
    const QList<Line> lines = splitLines(file.readAll());
    const Location found = locate(lines, trimBlanks(*sectionName), trimBlanks(*keyName));
    if (found.key < 0)
        return NotSet;
    const QByteArray& text = lines.at(found.key).text;
    const QByteArray stored = trimBlanks(text.mid(parseLine(text).valueStart));
    const QByteArray value = trimBlanks(stored.left(ReadBufferSize - 1));
    return value.isEmpty() ? NotSet : QString::fromLatin1(value);
}

bool IniFile::WriteIni(const QString& section, const QString& key, const QString& value) {
    m_error.clear();
    for (const QString* text : {&section, &key, &value}) {
        if (!latin1(*text)) {
            m_error = beyondLatin1Message(*text);
            return false;
        }
    }
    const QByteArray sectionName = trimBlanks(section.toLatin1());
    const QByteArray keyName = trimBlanks(key.toLatin1());
    const QByteArray valueText = value.toLatin1();
    if (!storable(sectionName, keyName, valueText)) {
        m_error = QStringLiteral("[%1] %2=%3 cannot be stored on one line of the settings file: "
                                 "names are not empty, a section name holds no \"]\", a key name "
                                 "no \"=\" and does not start with \"[\" or \";\", and no text "
                                 "holds a line break.")
                      .arg(section, key, value);
        return false;
    }

    QByteArray old;
    QFile file(m_path);
    if (file.exists()) {
        if (file.open(QIODevice::ReadOnly))
            old = file.readAll();
        if (!file.isOpen() || file.error() != QFileDevice::NoError) {
            m_error = file.errorString();
            return false;
        }
        file.close();
    }

    QList<Line> lines = splitLines(old);
    const QByteArray ending = lineEnding(lines);
    const Location found = locate(lines, sectionName, keyName);
    const Line entry{keyName + '=' + valueText, ending};
    if (found.key >= 0) {
        Line& line = lines[found.key];
        line.text = line.text.left(parseLine(line.text).valueStart) + valueText;
    } else if (found.section >= 0) {
        completeEnding(lines[found.insertAfter], ending);
        lines.insert(found.insertAfter + 1, entry);
    } else {
        if (!lines.isEmpty())
            completeEnding(lines.last(), ending);
        lines.append({'[' + sectionName + ']', ending});
        lines.append(entry);
    }

    QSaveFile out(m_path);
    if (!out.open(QIODevice::WriteOnly)) {
        m_error = out.errorString();
        return false;
    }
    out.write(joinLines(lines));
    if (!out.commit()) {
        m_error = out.errorString();
        return false;
    }
    return true;
}

} // namespace settings
