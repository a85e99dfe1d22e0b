// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QString>

namespace display {

// "2024-05-01_14-05-33_waterfall.png" for the scan ".../2024-05-01_14-05-33.dat" and the kind
// "waterfall": the default name of a picture made from a scan.
QString defaultPictureName(const QString& scanPath, const QString& kind);

// Writes the image as PNG; the file appears only once it is whole. A path naming `keep` (the
// scan the picture shows) is refused, so that nothing is written over it.
bool savePng(const QImage& image, const QString& path, const QString& keep, QString* error);

} // namespace display
