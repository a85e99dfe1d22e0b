// SPDX-License-Identifier: MIT
#pragma once

#include "recording/scan_record.h"
#include "survey/channel_span.h"
#include "survey/scan_reader.h"

#include <QSize>
#include <QString>

class QPainter;

namespace survey {

// The plot of a scan's last loop for the site report, as the analyser plays the loop back: its
// Last level as bars, the Peak and Average kept up to it as marks, with the level axis, the
// frequencies, the group names and the legend around it. Its colours differ in lightness, so that
// they tell apart printed in black and white. Painted from the painter's origin in the painter's
// font, `width` pixels across in all with a plot `plotHeight` pixels high; returns the size
// painted.
QSize paintLastLoopPlot(QPainter& painter, const recording::ScanRecord& record, const Loop& last,
                        const ChannelSpan& span, int width, int plotHeight, const QString& site);

} // namespace survey
