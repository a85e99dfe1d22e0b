// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace tools::sim {

// A symbolic link to the radio's device, removed again when this object goes.
class DeviceLink {
public:
    DeviceLink() = default;
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Replaces an existing symbolic link at `linkPath`, never any other file.
    bool create(const QString& target, const QString& linkPath, QString* error);

private:
    QString m_linkPath;
    QString m_target;
};

} // namespace tools::sim
