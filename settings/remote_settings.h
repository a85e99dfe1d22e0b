// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The broker the window last watched a remote radio through, in a section of its own of the
// settings file.
namespace settings {

inline const QString RemoteSection = QStringLiteral("Remote");

// The broker's address as the user typed it; empty when the file has none.
QString readRemoteBroker();
// False when the file could not be written.
bool writeRemoteBroker(const QString& url);

} // namespace settings
