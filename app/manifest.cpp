// SPDX-License-Identifier: MIT
#include "app/manifest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QOperatingSystemVersion>
#include <QStringList>
#include <QSysInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace app {

namespace {

constexpr int PlatformWindows = 1; // the 95 family
constexpr int PlatformNT = 2;

const QString AssemblyName = QStringLiteral("Korlan.Ternaflow.SpectrumAnalyzer");
const QString Description = QStringLiteral("Ternaflow SS Spectrum Analyzer");

void markReadOnlyHiddenSystem(const QString& path) {
#ifdef Q_OS_WIN
    ::SetFileAttributesW(reinterpret_cast<const wchar_t*>(path.utf16()),
                         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                             FILE_ATTRIBUTE_ARCHIVE);
#else
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
#endif
}

} // namespace

QString GetOSName(const OsVersion& version) {
    if (version.platformId == PlatformWindows) {
        if (version.minor == 0)
            return QStringLiteral("Windows 95");
        if (version.minor == 10)
            return QStringLiteral("Windows 98");
        return QString();
    }
    if (version.platformId == PlatformNT) {
        if (version.major == 3)
            return QStringLiteral("Windows NT 3.51");
        if (version.major == 4)
            return QStringLiteral("Windows NT 4.0");
        if (version.major >= 5)
            return QStringLiteral("Windows XP");
        return QString();
    }
    return QStringLiteral("Failed");
}

OsVersion runningOsVersion() {
    const QOperatingSystemVersion current = QOperatingSystemVersion::current();
    if (current.type() != QOperatingSystemVersion::Windows)
        return {};
    return {PlatformNT, current.majorVersion(), current.minorVersion()};
}

QString manifestFileName(const QString& programFileName) {
    const bool endsInExe = programFileName.right(4).toLower() == QLatin1String(".exe");
    return programFileName +
           (endsInExe ? QStringLiteral(".manifest") : QStringLiteral(".exe.manifest"));
}

QString manifestArchitecture() {
    const QString cpu = QSysInfo::buildCpuArchitecture();
    if (cpu == QLatin1String("i386"))
        return QStringLiteral("X86");
    if (cpu == QLatin1String("x86_64"))
        return QStringLiteral("amd64");
    if (cpu == QLatin1String("arm64"))
        return QStringLiteral("arm64");
    return QStringLiteral("*");
}

QString ManifestText(const QString& architecture) {
    const auto attribute = [](const char* name, const QString& value) {
        return QString::fromLatin1(name) + QStringLiteral("=\"") + value + QLatin1Char('"');
    };
    const QStringList lines{
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"),
        QStringLiteral("<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" "
                       "manifestVersion=\"1.0\">"),
        QStringLiteral("<assemblyIdentity"),
        attribute("version", QStringLiteral("1.0.0.0")),
        attribute("processorArchitecture", architecture),
        attribute("name", AssemblyName),
        attribute("type", QStringLiteral("win32")),
        QStringLiteral("/>"),
        QStringLiteral("<description>") + Description + QStringLiteral("</description>"),
        QStringLiteral("<dependency>"),
        QStringLiteral("<dependentAssembly>"),
        QStringLiteral("<assemblyIdentity"),
        attribute("type", QStringLiteral("win32")),
        attribute("name", QStringLiteral("Microsoft.Windows.Common-Controls")),
        attribute("version", QStringLiteral("6.0.0.0")),
        attribute("processorArchitecture", architecture),
        attribute("publicKeyToken", QStringLiteral("6595b64144ccf1df")),
        attribute("language", QStringLiteral("*")),
        QStringLiteral("/>"),
        QStringLiteral("</dependentAssembly>"),
        QStringLiteral("</dependency>"),
        QStringLiteral("</assembly>"),
    };
    return lines.join(QStringLiteral("\r\n"));
}

bool writeManifestIfMissing(const QString& programPath, const QString& osName) {
    const QFileInfo program(programPath);
    const QString path = program.absoluteDir().filePath(manifestFileName(program.fileName()));
    if (QFileInfo::exists(path))
        return false;
    bool written = false;
    if (osName == QLatin1String("Windows XP")) {
        QFile file(path);
        if (file.open(QIODevice::NewOnly)) {
            const QByteArray text = ManifestText().toLatin1() + "\r\n";
            written = file.write(text) == text.size() && file.flush();
            file.close();
            if (!written)
                file.remove();
        }
    }
    if (written)
        markReadOnlyHiddenSystem(path);
    return written;
}

bool EnsureManifest(const QString& programPath) {
#ifdef Q_OS_WIN
    return writeManifestIfMissing(programPath, GetOSName(runningOsVersion()));
#else
    Q_UNUSED(programPath);
    return false;
#endif
}

} // namespace app
