// SPDX-License-Identifier: MIT
#include "tools/sim/device_link.h"

#include "tools/sim/system_error.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace tools::sim {

DeviceLink::~DeviceLink() {
    // A link that another instance has put in our place since is left alone.
    if (!m_linkPath.isEmpty() && QFile::symLinkTarget(m_linkPath) == m_target)
        ::unlink(QFile::encodeName(m_linkPath).constData());
}

bool DeviceLink::create(const QString& target, const QString& linkPath, QString* error) {
    const QByteArray path = QFile::encodeName(linkPath);
    const QFileInfo existing(linkPath);
    if (existing.isSymLink()) {
        ::unlink(path.constData());
    } else if (existing.exists()) {
        *error = QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath);
        return false;
    }
    if (::symlink(QFile::encodeName(target).constData(), path.constData()) != 0) {
        *error = systemError("symlink");
        return false;
    }
    m_linkPath = linkPath;
    m_target = QFile::symLinkTarget(linkPath);
    return true;
}

} // namespace tools::sim
