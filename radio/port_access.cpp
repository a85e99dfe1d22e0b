// SPDX-License-Identifier: MIT
#include "radio/port_access.h"

#include <QFileInfo>

#ifndef Q_OS_WIN
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace radio {

QString portAccessProblem(const QString& devicePath) {
    if (devicePath.isEmpty())
        return {};
#ifdef Q_OS_WIN
    return {};
#else
    const QByteArray path = QFile::encodeName(devicePath);
    struct stat status {};
    if (::stat(path.constData(), &status) != 0)
        return QStringLiteral("The device %1 does not exist: is the adapter plugged in?")
            .arg(devicePath);
    if (::access(path.constData(), R_OK | W_OK) == 0 || errno != EACCES)
        return {};
    const struct group* owner = ::getgrgid(status.st_gid);
    if (!owner)
        return QStringLiteral("Permission denied: you may not open %1.").arg(devicePath);
    const QString group = QString::fromLocal8Bit(owner->gr_name);
    return QStringLiteral("Permission denied: %1 belongs to the group \"%2\". Add your user to it "
                          "(sudo usermod -aG %2 $USER), then log out and in again.")
        .arg(devicePath, group);
#endif
}

} // namespace radio
