// SPDX-License-Identifier: MIT
#include "fleet/store_export.h"

#include "fleet/loop_records.h"

#include <QSaveFile>

namespace fleet {

std::optional<qint64> exportLoops(LoopStore& store, const QString& site, const QDateTime& from,
                                  const QDateTime& to, const QString& path, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    qint32 written = 0;
    bool writable = true;
    const bool read = store.readLoops(site, from, to, [&](const SiteLoop& loop) {
        const QByteArray bytes = recordOfSiteLoop(loop, written + 1).toBytes();
        writable = writable && file.write(bytes) == bytes.size();
        written += writable;
    });
    if (!read) {
        *error = store.errorString();
        return std::nullopt;
    }
    if (!writable) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    if (written == 0) {
        file.cancelWriting();
        return 0;
    }
    if (!file.commit()) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return written;
}

} // namespace fleet
