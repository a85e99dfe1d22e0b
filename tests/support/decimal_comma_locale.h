// SPDX-License-Identifier: MIT
#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace testing {

// A locale that writes numbers with a decimal comma (de_DE.UTF-8), as many users' desktops do.
// When the machine has none installed it is compiled with localedef into a folder of the test's
// own, which LOCPATH then points at.
class DecimalCommaLocale {
public:
    static constexpr const char* Name = "de_DE.UTF-8";

    DecimalCommaLocale();
    bool available() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }

    // LANG, LC_ALL and (when the locale was compiled here) LOCPATH for a child process.
    QProcessEnvironment environment() const;
    // Switches this process's C library to the locale, as Qt does at start-up from LANG.
    bool applyToThisProcess() const;

private:
    QString m_locPath; // empty when the system has the locale
    QString m_error;
};

} // namespace testing
