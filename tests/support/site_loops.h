// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/site_loop.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace testing {

// The scans a recorder saved in the folder by their default names, oldest first.
QStringList savedScans(const QString& folder);

// The loops of a scan file as the site publishes them.
QList<fleet::SiteLoop> loopsOfFile(const QString& path, const QString& site);

// The loops without what each says of the scan before it, which the store does not keep.
QList<fleet::SiteLoop> withoutPrevious(QList<fleet::SiteLoop> loops);

} // namespace testing
