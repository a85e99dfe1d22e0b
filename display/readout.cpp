// SPDX-License-Identifier: MIT
#include "display/readout.h"

#include "core/conventions.h"
#include "display/freq_axis.h"
#include "display/twips.h"
#include "scan/channel_plan.h"

#include <algorithm>

namespace display {

namespace {

QString frequencyLine(int chan) {
    return QStringLiteral("Freq: ") + scan::frequencyCaption(scan::channelF10(chan));
}

} // namespace

QPoint readoutBoxPosition(QPoint pointer, int plotWidth, QSize box) {
    const int rightmost = plotWidth - box.width() - 60;
    const int left = rightmost > pointer.x() ? pointer.x() - 60 : rightmost;
    const int top = pointer.y() - box.height() - 5 * TwipsPerPixel;
    return QPoint(left, top >= 120 ? top : 60);
}

std::optional<int> channelUnderPointer(int x, int chanWidth, int lowBandChannels) {
    if (chanWidth <= 0 || x < 0)
        return std::nullopt;
    const int chan = channelOfSlot(slotAt(x, chanWidth), lowBandChannels);
    if (!scan::isChannelIndex(chan))
        return std::nullopt;
    return chan;
}

QString readoutText(int chan, const ReadoutLevels& levels) {
    return frequencyLine(chan) +
           QStringLiteral("\r\nLast: -%1\r\nPeak: -%2\r\nAve: -")
               .arg(levels.Last)
               .arg(levels.Peak) +
           core::formatLevel(levels.Average);
}

QString disabledReadoutText(int chan) {
    return frequencyLine(chan) + QStringLiteral("\r\n\r\nDISABLED");
}

LegendLayout layoutLegend(const QString& caption, int captionLeft,
                          const std::function<int(const QString&)>& textWidth) {
    constexpr int DesignWidth = 3135;
    constexpr int Gap = 60;
    const std::array<QString, 4> words{QStringLiteral("Last"), QStringLiteral("Peak"),
                                       QStringLiteral("Average"), QStringLiteral("Back")};
    LegendLayout layout;
    qsizetype from = 0;
    for (int i = 0; i < int(words.size()); ++i) {
        const qsizetype at = caption.indexOf(words[i], from);
        from = at + words[i].size();
        const int wordEnd = captionLeft + textWidth(caption.left(from));
        int left = wordEnd + Gap;
        if (i + 1 < int(words.size())) {
            const int nextStart =
                captionLeft + textWidth(caption.left(caption.indexOf(words[i + 1], from)));
            if (left + LegendSwatchSize > nextStart - Gap / 2)
                left = wordEnd + (nextStart - wordEnd - LegendSwatchSize) / 2;
        }
        layout.SwatchLefts[i] = left;
    }
    layout.Width = std::max(DesignWidth, layout.SwatchLefts.back() + LegendSwatchSize + 2 * Gap);
    return layout;
}

} // namespace display
