// SPDX-License-Identifier: MIT
#include "display/level_axis.h"

#include "core/conventions.h"
#include "display/twips.h"

#include <cmath>
#include <cstdlib>

namespace display {

namespace {

constexpr int LabelGap = 90;

} // namespace

int levelDivisions(int upperLimit, int lowerLimit) {
    const double span = double(-lowerLimit) - double(-upperLimit);
    return core::CInt(span / LevelStepDb).value_or(0);
}

LevelAxis BuildLevelAxis(int upperLimit, int lowerLimit, int plotTop, int plotHeight,
                         int labelHeight) {
    LevelAxis axis;
    axis.LevelHighLimit = upperLimit;
    axis.LevelLowLimit = lowerLimit;
    axis.LevelDivisions = levelDivisions(upperLimit, lowerLimit);
    if (axis.LevelDivisions <= 0)
        return axis;
    axis.Spacing = core::CLng(double(plotHeight) / axis.LevelDivisions).value_or(0);
    for (int i = 1; i < axis.LevelDivisions; ++i) {
        LevelLabel label;
        label.Caption = QString::number(upperLimit - LevelStepDb * i);
        label.MarkerY = axis.Spacing * i;
        label.Top = plotTop + double(label.MarkerY) - labelHeight / 2.0;
        axis.Labels.push_back(label);
    }
    return axis;
}

int levelLabelLeft(int plotLeft, int labelWidth) {
    return plotLeft - labelWidth - LabelGap;
}

LevelScale ComputeLevelScale(int upperLimit, int lowerLimit, int plotHeight) {
    const qint64 span = std::llabs(lowerLimit) - std::llabs(upperLimit);
    LevelScale scale;
    if (span <= 0)
        return scale;
    scale.TwipsPerDb = static_cast<float>(double(plotHeight) / double(span));
    scale.PixelsPerDb = scale.TwipsPerDb / float(TwipsPerPixel);
    return scale;
}

int levelRow(int magnitude, int upperLimit, float pixelsPerDb) {
    return nearest(double(pixelsPerDb) * (double(magnitude) - std::abs(double(upperLimit))));
}

double levelY(int magnitude, int upperLimit, float twipsPerDb) {
    return double(twipsPerDb) * (double(magnitude) - std::abs(double(upperLimit)));
}

} // namespace display
