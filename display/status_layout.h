// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QRect>

#include <array>

// The status strip under the plot: the clock, the scan's start, the loop count, the elapsed
// time and the time of the loop on display in one row, with the time scroll bar below it in a
// thin border. Twips throughout; label positions are inside the strip.
namespace display {

enum class StatusLabel { CurrentTime, Status, Count, Elapsed, DisplayTime };
constexpr int StatusLabelCount = 5;

struct StatusLayoutInput {
    QRect Plot; // frDisplay on the window
    int CurrentTimeHeight = 0;
    int ScrollBarHeight = 0;
    std::array<int, StatusLabelCount> LabelWidths{}; // by StatusLabel
    int BlankWidth = 0;                              // text width of one blank
};

struct StatusLayout {
    QRect Strip;                                   // frTextDisplay
    QRect ScrollBarBorder;                         // scrollBarBorder
    QRect ScrollBar;                               // scrollTime
    std::array<QPoint, StatusLabelCount> Labels{}; // top-left of each label, by StatusLabel

    QPoint label(StatusLabel which) const { return Labels[int(which)]; }
};

StatusLayout LayoutStatusPanel(const StatusLayoutInput& input);

// Remembers each label's width so that the strip is laid out again only when a caption change
// alters a width.
class StatusLabelWidths {
public:
    // True when the width differs from the one remembered (0 at first); remembers it.
    bool widthChanged(StatusLabel which, int width);

private:
    std::array<int, StatusLabelCount> m_widths{};
};

} // namespace display
