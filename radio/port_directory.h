// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace radio {

// Resolves the menu's "Com 1" ... "Com 10" to devices.
//
// The settings file's section "Ports" maps a number to a device path with the keys "Com1" ...
// "Com10" (/dev/ttyUSB0, /dev/pts/7; on Windows COM3). A number without such a key falls back to
// the platform's own name: "COMn" on Windows; elsewhere the n-th of the serial devices present, in
// the order of orderedDevices. Nothing is cached: every lookup reads the file and, for a fallback,
// the devices present now, so that an adapter plugged in later is found.
class PortDirectory {
public:
    static constexpr int PortCount = 10;
    static inline const QString Section = QStringLiteral("Ports");

    // No settings file: every number falls back to the platform's names.
    PortDirectory() = default;
    // presentDevices stands in for the devices the system reports (tests pass a list of their
    // own); nullopt asks the system at each lookup.
    explicit PortDirectory(QString settingsPath,
                           std::optional<QStringList> presentDevices = std::nullopt);

    const QString& settingsPath() const { return m_settingsPath; }

    // The device behind port 1 ... PortCount, or an empty string when nothing maps.
    QString devicePath(int port) const;
    // PortCount entries, the first for "Com 1"; an empty string where nothing maps.
    QStringList devicePaths() const;

    // "Com3" for 3: the key of a port in the section "Ports".
    static QString portKey(int port);

    // USB adapters (ttyUSB) first, then ttyACM, then ttyS, then any other device, each group in
    // natural order (ttyUSB2 before ttyUSB10). Entries may be names or paths; the file name
    // decides.
    static QStringList orderedDevices(QStringList devices);
    // The serial devices the system reports, as paths, in the order of orderedDevices.
    static QStringList systemDevices();

private:
    QString mappedPath(int port) const;
    QString fallbackPath(int port, const QStringList& present) const;
    QStringList present() const;

    QString m_settingsPath;
    std::optional<QStringList> m_presentDevices;
};

} // namespace radio
