// SPDX-License-Identifier: MIT
#pragma once

#include "survey/survey_report.h"

#include <QString>

#include <vector>

namespace survey {

// How a channel or a group changed from one survey to another, at one threshold.
struct FigureChange {
    QString Name; // "915.0" or "Grp 5"
    OccupancyFigures Before;
    OccupancyFigures After;
    // Larger than the uncertainty: the occupancy intervals are apart, or the 90th percentiles
    // differ by more than the radio's resolution.
    bool OccupancyChanged = false;
    bool LevelChanged = false;
};

// Two surveys of one site, before and after something changed. Both are taken at the earlier
// survey's threshold, so that a floor that rose shows as occupancy.
struct SurveyComparison {
    SurveyReport Before;
    SurveyReport After;
    std::vector<FigureChange> Groups;   // in frequency order
    std::vector<FigureChange> Channels; // the channels both spans hold

    int changes() const;
};

SurveyComparison compareSurveys(const SurveyCounts& before, const SurveyCounts& after,
                                const ThresholdSetting& threshold);

// The comparison as plain-text tables, changes marked with "*".
QString comparisonTable(const SurveyComparison& comparison, const QString& beforeName,
                        const QString& afterName);

} // namespace survey
