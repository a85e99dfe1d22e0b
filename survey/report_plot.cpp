// SPDX-License-Identifier: MIT
#include "survey/report_plot.h"

#include "display/display_colors.h"
#include "display/freq_axis.h"
#include "display/level_axis.h"
#include "display/plot_picture.h"
#include "display/plot_renderer.h"
#include "display/twips.h"
#include "scan/readings.h"
#include "survey/level_codes.h"

#include <QPainter>

#include <algorithm>

namespace survey {

namespace {

constexpr int UpperDbm = -40;
constexpr int LowerDbm = -120;
constexpr int UpperStepDb = 10;

// White, light grey bars, a mid blue Average and a dark red Peak.
display::ActiveColors printColors() {
    display::ActiveColors colors;
    colors.Back = Qt::white;
    colors.Last = QColor(0xd0, 0xd0, 0xd0);
    colors.Peak = QColor(0x9b, 0x00, 0x00);
    colors.Average = QColor(0x4a, 0x90, 0xe2);
    return colors;
}

// The code of a channel in a record's code field; codes that are neither a level nor a skip read
// as no reading.
int codeOf(const QByteArray& codes, int channel) {
    const int code = channel < codes.size() ? int(static_cast<unsigned char>(codes[channel])) : 0;
    return code <= scan::OutOfRangeCode ? code : 0;
}

// The top of the level axis: -40 dBm, or higher in steps of 10 dB to hold the strongest Peak.
int upperLevel(const recording::ScanRecord& record, const ChannelSpan& span) {
    int upper = UpperDbm;
    for (int c = span.First; c <= span.Last; ++c) {
        const int code = codeOf(record.PeakCodes, c);
        if (isLevelCode(static_cast<unsigned char>(code)))
            upper = std::max(upper, -(code / UpperStepDb) * UpperStepDb);
    }
    return upper;
}

} // namespace

QSize paintLastLoopPlot(QPainter& painter, const recording::ScanRecord& record, const Loop& last,
                        const ChannelSpan& span, int width, int plotHeight, const QString& site) {
    const QFontMetrics metrics = painter.fontMetrics();
    const int margins = display::plotPictureSize(QSize(0, 0), metrics).width();
    const scan::FrequencyLimits limits{scan::channelF10(span.First), scan::channelF10(span.Last)};
    const int heightTwips = plotHeight * display::TwipsPerPixel;
    const display::FreqAxis axis =
        display::BuildFreqAxis(limits, 0, (width - margins) * display::TwipsPerPixel, heightTwips);

    display::PlotGeometry geometry;
    geometry.ChanWidth = axis.ChanWidth;
    geometry.BarGap = axis.BarGap;
    geometry.LowBandChannels = axis.LowBandChannels;
    geometry.UL = upperLevel(record, span);
    geometry.LL = LowerDbm;
    geometry.PlotHeight = heightTwips;
    const display::LevelScale scale =
        display::ComputeLevelScale(geometry.UL, geometry.LL, heightTwips);
    geometry.PixelsPerDb = scale.PixelsPerDb;
    geometry.TwipsPerDb = scale.TwipsPerDb;
    display::PlotOptions options;
    options.ScanActive = false;
    options.ScrollAtMax = false;

    const display::ActiveColors colors = printColors();
    display::PlotRenderer renderer(QSize(display::toPixels(axis.PlotWidth), plotHeight));
    renderer.setColors(colors);
    renderer.setSeparatorColor(QColor(0xa0, 0xa0, 0xa0));
    renderer.setSeparators(axis.Separators);
    renderer.Cls();
    for (int c = span.First; c <= span.Last; ++c) {
        scan::ChannelReading reading;
        reading.Last = static_cast<qint16>(last.Last[c]);
        reading.Peak = static_cast<qint16>(codeOf(record.PeakCodes, c));
        reading.Sum = codeOf(record.AverageCodes, c);
        if (scan::ReadingsModel::checkRecorded(c, reading.Last) == scan::UpdateOutcome::Stored)
            renderer.DrawChannel(geometry, options,
                                 {c, reading.Last, reading.Peak, reading.Sum, true, reading});
    }
    display::PlotPictureText text;
    text.Slots = axis.Slots;
    text.Scan = site;
    text.Time = QStringLiteral("loop %1, begun %2: the Last level of that loop, the Peak and "
                               "Average up to it")
                    .arg(last.Number)
                    .arg(last.Start.text());
    text.AttenuationDb = record.Attenuation;
    display::paintPlotPicture(painter, renderer.image(), geometry, options, colors, text);
    return display::plotPictureSize(renderer.size(), metrics);
}

} // namespace survey
