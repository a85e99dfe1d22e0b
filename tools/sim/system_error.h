// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace tools::sim {

// "<what>: <text of the current errno>"
QString systemError(const char* what);

} // namespace tools::sim
