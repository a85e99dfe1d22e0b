// SPDX-License-Identifier: MIT
#include "tests/support/decimal_comma_locale.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <clocale>
#include <cstdio>

namespace testing {

namespace {

// Compiled once per test process, into a folder removed when the process ends.
QString compiledLocaleFolder(QString& error) {
    static QTemporaryDir folder;
    static const bool compiled = [] {
        if (!folder.isValid())
            return false;
        QProcess localedef;
        localedef.start(QStringLiteral("localedef"),
                        {QStringLiteral("-c"), QStringLiteral("-i"), QStringLiteral("de_DE"),
                         QStringLiteral("-f"), QStringLiteral("UTF-8"),
                         folder.filePath(QString::fromLatin1(DecimalCommaLocale::Name))});
        localedef.waitForFinished(60000);
        return QDir(folder.path()).exists(QString::fromLatin1(DecimalCommaLocale::Name));
    }();
    if (!compiled) {
        error = QStringLiteral("localedef could not compile de_DE.UTF-8 (is the locales package "
                               "installed?)");
        return {};
    }
    return folder.path();
}

} // namespace

DecimalCommaLocale::DecimalCommaLocale() {
    const QByteArray saved = std::setlocale(LC_ALL, nullptr);
    const bool installed = std::setlocale(LC_ALL, Name) != nullptr;
    std::setlocale(LC_ALL, saved.constData());
    if (!installed)
        m_locPath = compiledLocaleFolder(m_error);
}

QProcessEnvironment DecimalCommaLocale::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), QString::fromLatin1(Name));
    env.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(Name));
    if (!m_locPath.isEmpty())
        env.insert(QStringLiteral("LOCPATH"), m_locPath);
    return env;
}

bool DecimalCommaLocale::applyToThisProcess() const {
    if (!available())
        return false;
    if (!m_locPath.isEmpty())
        qputenv("LOCPATH", m_locPath.toLocal8Bit());
    if (std::setlocale(LC_ALL, Name) == nullptr)
        return false;
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    return QByteArray(text) == "1,5"; // the decimal comma is in force
}

} // namespace testing
