// SPDX-License-Identifier: MIT
#include "recording/scan_names.h"

#include "core/conventions.h"
#include "recording/data_folder.h"

#include <QFile>
#include <QLocale>

#include <cmath>

namespace recording {

namespace {

// Longest file name, in bytes of the file system's encoding, that common file systems accept.
constexpr int MaxNameBytes = 255;

// Characters that Windows file systems refuse; refused everywhere so that scans can move freely.
const QString ReservedCharacters = QStringLiteral(":*?\"<>|");

// Names that Windows resolves to devices whatever their extension ("NUL.dat" is the null device).
// Ports and printers count from 0 to 9, and the superscripts 1 to 3 name them too.
bool isDeviceName(const QString& name) {
    const QString stem = name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    static const QStringList devices = {QStringLiteral("CON"), QStringLiteral("PRN"),
                                        QStringLiteral("AUX"), QStringLiteral("NUL")};
    if (devices.contains(stem))
        return true;
    static const QString portNumbers = QStringLiteral("0123456789\u00b9\u00b2\u00b3");
    return stem.size() == 4 &&
           (stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT"))) &&
           portNumbers.contains(stem.at(3));
}

// At most six significant digits: a plain decimal for every attenuation an attenuator has, and
// an exponent only far out of range, so that the name stays short enough to be saved.
QString attenuationInName(double attenuation) {
    return QString::number(attenuation, 'g', 6);
}

} // namespace

QString defaultScanName(const QDateTime& now, const QString& attenuationText) {
    QString name = QLocale::c().toString(now, QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    const double attenuation = core::Val(attenuationText);
    if (std::isfinite(attenuation) && attenuation > 0) {
        name += QStringLiteral("_-") + attenuationInName(attenuation) + QStringLiteral("dB");
    }
    return name + QStringLiteral(".dat");
}

QString saveNameFromPrompt(const QString& typed) {
    if (typed.isEmpty())
        return typed;
    if (typed.right(4).toUpper() != QLatin1String(".DAT"))
        return typed + QStringLiteral(".dat");
    return typed;
}

std::optional<QString> checkSaveName(const QString& name) {
    if (name.isEmpty())
        return QStringLiteral("A scan name may not be empty.");
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.contains(QLatin1String(".."))) {
        return QStringLiteral("A scan name is a file name in the Data folder: it may not contain "
                              "\"/\", \"\\\" or \"..\".");
    }
    if (name == QLatin1String("."))
        return QStringLiteral("\".\" is the Data folder itself, not a scan name.");
    if (!QStringView(name).isValidUtf16()) {
        return QStringLiteral("A scan name may not hold half a character (a lone surrogate): the "
                              "file would be saved under another name.");
    }
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.category() == QChar::Other_Control)
            return QStringLiteral("A scan name may not contain control characters.");
        if (ReservedCharacters.contains(c)) {
            return QStringLiteral(
                "A scan name may not contain any of the characters : * ? \" < > |.");
        }
    }
    if (name.compare(RecordingFileName, Qt::CaseInsensitive) == 0) {
        return QStringLiteral("A scan cannot be saved as \"%1\": that file is the recording "
                              "itself.")
            .arg(RecordingFileName);
    }
    if (name.endsWith(QLatin1Char(' ')) || name.endsWith(QLatin1Char('.')))
        return QStringLiteral("A scan name may not end in a blank or a dot.");
    if (isDeviceName(name)) {
        return QStringLiteral("\"%1\" names a device, not a file: choose another scan name.")
            .arg(name);
    }
    if (QFile::encodeName(name).size() > MaxNameBytes)
        return QStringLiteral("The scan name is too long for the file system.");
    return std::nullopt;
}

} // namespace recording
