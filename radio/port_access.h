// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace radio {

// Why the serial device cannot be opened, in words a user can act on: it does not exist, or the
// user lacks the permission (naming the group that owns the device and how to join it). Empty
// when neither is the case or the path is empty.
QString portAccessProblem(const QString& devicePath);

} // namespace radio
