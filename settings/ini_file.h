// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace settings {

// What a value that cannot be read reads as; its numeric value is 0.
inline const QString NotSet = QStringLiteral("NOT SET");

// One INI file in the ANSI code page (Latin-1). Section and key names are compared without regard
// to case; the first occurrence of a section or key counts. Nothing is cached: every call reads
// the file, every write rewrites it through a new file renamed over the old one.
//
// Text beyond Latin-1 is refused rather than stored as UTF-8: the file stays in the one encoding
// that every earlier file was written in, so each of them reads exactly as before, and no byte
// sequence has to be guessed as Latin-1 or UTF-8. The band's users write in languages that
// Latin-1 covers, and device paths are ASCII.
class IniFile {
public:
    explicit IniFile(QString path);

    const QString& path() const;

    // The value trimmed of blanks, at most 99 characters (a 100-character read buffer with its
    // terminating character), or NotSet for a missing file, section or key, or an empty value.
    QString ReadIni(const QString& section, const QString& key) const;

    // Creates the file and the section as needed and replaces an existing value in place; every
    // other line stays as it was, byte for byte. False, with the file untouched, when the file
    // cannot be read or replaced, when a name or the value cannot be stored on one line, or when
    // one of them holds a character beyond Latin-1.
    bool WriteIni(const QString& section, const QString& key, const QString& value);
    // Why the last write failed.
    const QString& errorString() const;

private:
    QString m_path;
    QString m_error;
};

} // namespace settings
