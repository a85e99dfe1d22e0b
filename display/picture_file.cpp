// SPDX-License-Identifier: MIT
#include "display/picture_file.h"

#include "survey/output_file.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

namespace display {

QString defaultPictureName(const QString& scanPath, const QString& kind) {
    QString base = QFileInfo(scanPath).completeBaseName();
    if (base.isEmpty())
        base = QStringLiteral("scan");
    return base + QLatin1Char('_') + kind + QStringLiteral(".png");
}

bool savePng(const QImage& image, const QString& path, const QString& keep, QString* error) {
    if (!keep.isEmpty() && survey::sameFile(path, keep)) {
        *error = QStringLiteral("%1 is the scan itself; choose another file").arg(path);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) {
        *error = QStringLiteral("%1: %2").arg(path, writer.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace display
