// SPDX-License-Identifier: MIT
#include "survey/output_file.h"

#include "survey/report_csv.h"
#include "survey/rtl_power_csv.h"

#include <QFileInfo>
#include <QSaveFile>

#include <functional>

namespace survey {

namespace {

bool saveFile(const QString& path, const QString& scanPath, QString* error,
              const std::function<bool(QSaveFile&, QString*)>& write) {
    if (sameFile(path, scanPath)) {
        *error = QStringLiteral("%1 is the scan itself; choose another file").arg(path);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    QString why;
    if (!write(file, &why) || !file.commit()) {
        file.cancelWriting();
        *error = QStringLiteral("%1: %2").arg(path, why.isEmpty() ? file.errorString() : why);
        return false;
    }
    return true;
}

} // namespace

bool sameFile(const QString& a, const QString& b) {
    const QFileInfo x(a);
    const QFileInfo y(b);
    if (x.exists() && y.exists())
        return x.canonicalFilePath() == y.canonicalFilePath();
    return x.absoluteFilePath() == y.absoluteFilePath();
}

bool saveLoopsCsv(ScanReader& reader, const QString& path, QString* error) {
    return saveFile(path, reader.path(), error, [&reader](QSaveFile& file, QString* why) {
        return writeLoopsCsv(reader, file, why);
    });
}

bool saveReportCsv(const SurveyReport& report, const QString& path, const QString& scanPath,
                   QString* error) {
    return saveFile(path, scanPath, error, [&report](QSaveFile& file, QString*) {
        const QByteArray csv = reportCsv(report);
        return file.write(csv) == csv.size();
    });
}

} // namespace survey
