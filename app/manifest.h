// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The side-by-side manifest that gives the program the visual-styles common controls on Windows.
// It means nothing elsewhere, where it is never written.
namespace app {

// What the system reports of its version: platform id 1 is the Windows 95 family, 2 Windows NT.
struct OsVersion {
    int platformId = 0;
    int major = 0;
    int minor = 0;
};

// "Windows 95", "Windows 98", "Windows NT 3.51", "Windows NT 4.0", "Windows XP" (every NT from
// version 5 on), "" for another minor version of the 95 family, "Failed" for any other platform.
QString GetOSName(const OsVersion& version);
// The running system's version; platform id 0 where the system is not Windows.
OsVersion runningOsVersion();

// The manifest's file name beside the program: the program's file name plus ".manifest" when it
// ends in ".exe" in any letter case, plus ".exe.manifest" otherwise.
QString manifestFileName(const QString& programFileName);

// The processor architecture the program was built for, as manifests name it: "X86", "amd64",
// "arm64", or "*" for any other.
QString manifestArchitecture();

// The manifest: its lines joined by CR LF, without a final line break.
QString ManifestText(const QString& architecture = manifestArchitecture());

// Writes ManifestText and a CR LF beside the program (the program's full path) when no file of
// the manifest's name is there and the system is "Windows XP", then marks it read-only (and, on
// Windows, hidden and system). True only when it has just written the file; every failure is
// ignored.
bool writeManifestIfMissing(const QString& programPath, const QString& osName);

// On Windows, writeManifestIfMissing for the running system: when true, the program starts itself
// again for the manifest to take effect. Elsewhere it writes nothing and returns false.
bool EnsureManifest(const QString& programPath);

} // namespace app
