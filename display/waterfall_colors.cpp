// SPDX-License-Identifier: MIT
#include "display/waterfall_colors.h"

#include "survey/level_codes.h"

#include <QColor>

#include <algorithm>
#include <cmath>

namespace display {

namespace {

// Ten evenly spaced samples of the viridis map; the table interpolates between them.
constexpr QRgb Stops[] = {0x440154, 0x482878, 0x3e4989, 0x31688e, 0x26828e,
                          0x1f9e89, 0x35b779, 0x6ece58, 0xb5de2b, 0xfde725};
constexpr int StopCount = int(std::size(Stops));

int mix(int a, int b, double t) {
    return int(std::lround(a + (b - a) * t));
}

} // namespace

const std::array<QRgb, 256>& levelColorMap() {
    static const std::array<QRgb, 256> map = [] {
        std::array<QRgb, 256> m{};
        for (int i = 0; i < 256; ++i) {
            const double position = i * (StopCount - 1) / 255.0;
            const int stop = std::min(int(position), StopCount - 2);
            const double t = position - stop;
            const QRgb a = Stops[stop];
            const QRgb b = Stops[stop + 1];
            m[i] = qRgb(mix(qRed(a), qRed(b), t), mix(qGreen(a), qGreen(b), t),
                        mix(qBlue(a), qBlue(b), t));
        }
        return m;
    }();
    return map;
}

QRgb levelColor(int dbm, const LevelScale& scale) {
    const int span = std::max(1, scale.StrongDbm - scale.WeakDbm);
    const double t = std::clamp(double(dbm - scale.WeakDbm) / span, 0.0, 1.0);
    return levelColorMap()[std::lround(t * 255)];
}

QVector<QRgb> codeColorTable(const LevelScale& scale) {
    QVector<QRgb> table(256, EmptyColor);
    for (int code = 0; code < 256; ++code) {
        const auto c = static_cast<unsigned char>(code);
        if (survey::isLevelCode(c))
            table[code] = levelColor(survey::levelDbm(c), scale);
    }
    table[survey::NoReadingCode] = NoReadingColor;
    table[scan::GroupOffCode] = GroupOffColor;
    table[scan::OutOfRangeCode] = OutOfRangeColor;
    table[EmptyPixel] = EmptyColor;
    return table;
}

} // namespace display
