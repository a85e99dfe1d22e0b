// SPDX-License-Identifier: MIT
#include "display/status_layout.h"

#include "display/twips.h"

namespace display {

namespace {

constexpr int StripPadding = 60;
constexpr int LabelTop = 1;
constexpr int LabelMargin = 60;
constexpr int BlanksAfterCurrentTime = 4;
constexpr int BlanksAfterStatus = 4;
constexpr int BlanksAfterCount = 3;

} // namespace

StatusLayout LayoutStatusPanel(const StatusLayoutInput& input) {
    const auto width = [&](StatusLabel which) { return input.LabelWidths[int(which)]; };
    const QRect& plot = input.Plot;
    StatusLayout layout;

    // The strip overlaps the plot's bottom edge, and the border the strip's, by one pixel.
    layout.Strip = QRect(plot.x(), plot.y() + plot.height() - TwipsPerPixel, plot.width(),
                         input.CurrentTimeHeight + StripPadding);
    const QRect& strip = layout.Strip;
    const int stripBottom = strip.y() + strip.height();
    layout.ScrollBarBorder = QRect(plot.x(), stripBottom - TwipsPerPixel, plot.width(),
                                   input.ScrollBarHeight + 3 * TwipsPerPixel);
    layout.ScrollBar = QRect(strip.x() + TwipsPerPixel, stripBottom,
                             strip.width() - 2 * TwipsPerPixel, input.ScrollBarHeight);

    const QPoint currentTime(LabelMargin, LabelTop);
    const QPoint status(currentTime.x() + width(StatusLabel::CurrentTime) +
                            BlanksAfterCurrentTime * input.BlankWidth,
                        LabelTop);
    const QPoint count(
        status.x() + width(StatusLabel::Status) + BlanksAfterStatus * input.BlankWidth, LabelTop);
    const QPoint elapsed(
        count.x() + width(StatusLabel::Count) + BlanksAfterCount * input.BlankWidth, LabelTop);
    const QPoint displayTime(strip.width() - width(StatusLabel::DisplayTime) - LabelMargin,
                             LabelTop);
    layout.Labels = {currentTime, status, count, elapsed, displayTime};
    return layout;
}

bool StatusLabelWidths::widthChanged(StatusLabel which, int width) {
    int& remembered = m_widths[int(which)];
    const bool changed = width != remembered;
    remembered = width;
    return changed;
}

} // namespace display
