// SPDX-License-Identifier: MIT
#pragma once

#include "display/display_colors.h"
#include "display/plot_renderer.h"

#include <QImage>
#include <QString>

class QFontMetrics;
class QPainter;

// The plot as a picture for a site report: what a reader needs without the program around it.
namespace display {

// What the plot shows besides its traces.
struct PlotPictureText {
    int Slots = 0; // channel slots on the plot, from the lower frequency limit
    QString Scan;  // "2024-05-01_14-05-33.dat"
    QString Time;  // the loop's start, or the first and last times of what is shown
    int AttenuationDb = 0;
};

// The plot's picture framed by a title (scan, time, attenuation), the group names above, the
// level axis in dBm on the left, frequency ticks in MHz below and the legend of what is drawn.
// The plot's pixels are copied as they are.
QImage plotPicture(const QImage& plot, const PlotGeometry& geometry, const PlotOptions& options,
                   const ActiveColors& colors, const PlotPictureText& text);

// Where the plot's picture lies inside plotPicture()'s for the same plot size.
QRect plotPictureArea(QSize plot);

// The same picture painted from the painter's origin in the painter's font, for pages where its
// text stays text: its size for that font, then the painting.
QSize plotPictureSize(QSize plot, const QFontMetrics& metrics);
void paintPlotPicture(QPainter& painter, const QImage& plot, const PlotGeometry& geometry,
                      const PlotOptions& options, const ActiveColors& colors,
                      const PlotPictureText& text);

} // namespace display
