// SPDX-License-Identifier: MIT
#include "radio/port_directory.h"

#include "settings/ini_file.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <utility>

namespace radio {

namespace {

QStringView fileNameOf(const QString& device) {
    const qsizetype slash = device.lastIndexOf(QLatin1Char('/'));
    return QStringView(device).mid(slash + 1);
}

int deviceGroup(QStringView name) {
    if (name.startsWith(u"ttyUSB"))
        return 0;
    if (name.startsWith(u"ttyACM"))
        return 1;
    if (name.startsWith(u"ttyS"))
        return 2;
    return 3;
}

// Only ASCII digits: QChar::isDigit also takes other scripts' digits, and with them a digit run
// could sort both before and after the same letter, so the order would depend on the order the
// system lists the devices in.
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

qsizetype digitRunEnd(QStringView text, qsizetype from) {
    while (from < text.size() && isDigit(text[from]))
        ++from;
    return from;
}

// Runs of ASCII digits compare by their value, everything else character by character.
int naturalCompare(QStringView a, QStringView b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const qsizetype aEnd = digitRunEnd(a, i);
            const qsizetype bEnd = digitRunEnd(b, j);
            while (i + 1 < aEnd && a[i] == u'0')
                ++i;
            while (j + 1 < bEnd && b[j] == u'0')
                ++j;
            if (aEnd - i != bEnd - j)
                return aEnd - i < bEnd - j ? -1 : 1;
            if (const int c = a.mid(i, aEnd - i).compare(b.mid(j, bEnd - j)); c != 0)
                return c;
            i = aEnd;
            j = bEnd;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j] ? -1 : 1;
            ++i;
            ++j;
        }
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return a.compare(b);
}

} // namespace

PortDirectory::PortDirectory(QString settingsPath, std::optional<QStringList> presentDevices)
    : m_settingsPath(std::move(settingsPath)), m_presentDevices(std::move(presentDevices)) {}

QString PortDirectory::portKey(int port) {
    return QStringLiteral("Com%1").arg(port);
}

QStringList PortDirectory::orderedDevices(QStringList devices) {
    std::stable_sort(devices.begin(), devices.end(), [](const QString& a, const QString& b) {
        const QStringView aName = fileNameOf(a);
        const QStringView bName = fileNameOf(b);
        const int aGroup = deviceGroup(aName);
        const int bGroup = deviceGroup(bName);
        if (aGroup != bGroup)
            return aGroup < bGroup;
        if (const int c = naturalCompare(aName, bName); c != 0)
            return c < 0;
        return a < b;
    });
    return devices;
}

QStringList PortDirectory::systemDevices() {
    QStringList devices;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports)
        devices.append(info.systemLocation());
    return orderedDevices(std::move(devices));
}

QStringList PortDirectory::present() const {
    return m_presentDevices ? orderedDevices(*m_presentDevices) : systemDevices();
}

QString PortDirectory::mappedPath(int port) const {
    if (m_settingsPath.isEmpty())
        return {};
    const QString value = settings::IniFile(m_settingsPath).ReadIni(Section, portKey(port));
    return value == settings::NotSet ? QString() : value;
}

QString PortDirectory::fallbackPath(int port, const QStringList& present) const {
#ifdef Q_OS_WIN
    if (!m_presentDevices)
        return QStringLiteral("COM%1").arg(port);
#endif
    return port <= present.size() ? present[port - 1] : QString();
}

QString PortDirectory::devicePath(int port) const {
    if (port < 1 || port > PortCount)
        return {};
    if (QString mapped = mappedPath(port); !mapped.isEmpty())
        return mapped;
    return fallbackPath(port, present());
}

QStringList PortDirectory::devicePaths() const {
    QStringList paths;
    std::optional<QStringList> devices; // asked for once, and only when a key is missing
    for (int port = 1; port <= PortCount; ++port) {
        QString path = mappedPath(port);
        if (path.isEmpty()) {
            if (!devices)
                devices = present();
            path = fallbackPath(port, *devices);
        }
        paths.append(path);
    }
    return paths;
}

} // namespace radio
