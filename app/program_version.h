// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace app {

// Major, minor and revision joined by ".", as the caption and the About box show it.
inline QString programVersion() {
    return QStringLiteral(KORLAN_VERSION);
}

} // namespace app
