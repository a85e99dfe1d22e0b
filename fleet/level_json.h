// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/site_loop.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace fleet {

// Levels as a JSON array, null for a missing one: "[-108,null,-95]".
QString levelsJson(const std::vector<Level>& levels);
// The array back; nothing when the text is not an array of whole numbers and nulls.
std::optional<std::vector<Level>> levelsOfJson(QStringView text);

} // namespace fleet
