// SPDX-License-Identifier: MIT
// The visual-styles manifest: its text, its file name, the system names it is written for, and
// that it is written once and only where the system asks for it.
#include "app/manifest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace app;

class TestManifest : public QObject {
    Q_OBJECT

private slots:
    void systemNamesFollowTheVersionTable_data() {
        QTest::addColumn<int>("platform");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<QString>("name");
        QTest::newRow("95") << 1 << 4 << 0 << "Windows 95";
        QTest::newRow("98") << 1 << 4 << 10 << "Windows 98";
        QTest::newRow("Me") << 1 << 4 << 90 << "";
        QTest::newRow("NT 3") << 2 << 3 << 51 << "Windows NT 3.51";
        QTest::newRow("NT 4") << 2 << 4 << 0 << "Windows NT 4.0";
        QTest::newRow("2000") << 2 << 5 << 0 << "Windows XP";
        QTest::newRow("10") << 2 << 10 << 0 << "Windows XP";
        QTest::newRow("Win32s") << 0 << 3 << 1 << "Failed";
    }
    void systemNamesFollowTheVersionTable() {
        QFETCH(int, platform);
        QFETCH(int, major);
        QFETCH(int, minor);
        QTEST(GetOSName({platform, major, minor}), "name");
    }

    void manifestIsNamedAfterTheProgramFile_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("manifest");
        // clang-format off
        QTest::newRow("no extension") << "KorlanSpecAn" << "KorlanSpecAn.exe.manifest";
        QTest::newRow(".exe") << "KorlanSpecAn.exe" << "KorlanSpecAn.exe.manifest";
        QTest::newRow(".EXE") << "KORLAN.EXE" << "KORLAN.EXE.manifest";
        QTest::newRow(".exe inside") << "a.exe.bak" << "a.exe.bak.exe.manifest";
        QTest::newRow("short") << "exe" << "exe.exe.manifest";
        // clang-format on
    }
    void manifestIsNamedAfterTheProgramFile() {
        QFETCH(QString, program);
        QTEST(manifestFileName(program), "manifest");
    }

    // Well-formed XML naming the program's assembly and asking for Common Controls 6, both for
    // the architecture it is written for (the build's by default); nothing after its last line.
    void manifestAsksForCommonControlsSix() {
        QXmlStreamReader xml(ManifestText("X86"));
        QStringList identities;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement ||
                xml.name() != u"assemblyIdentity")
                continue;
            QStringList attributes;
            for (const QXmlStreamAttribute& attribute : xml.attributes())
                attributes << attribute.name().toString() + '=' + attribute.value().toString();
            identities << attributes.join(' ');
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(identities, (QStringList{"version=1.0.0.0 processorArchitecture=X86 "
                                          "name=Korlan.Ternaflow.SpectrumAnalyzer type=win32",
                                          "type=win32 name=Microsoft.Windows.Common-Controls "
                                          "version=6.0.0.0 processorArchitecture=X86 "
                                          "publicKeyToken=6595b64144ccf1df language=*"}));
        QVERIFY(!ManifestText().endsWith('\n'));
        QCOMPARE(ManifestText().count("processorArchitecture=\"" + manifestArchitecture() + '"'),
                 2);
    }

    void writtenOnceAndOnlyForWindowsXP_data() {
        QTest::addColumn<QString>("system");
        QTest::addColumn<bool>("written");
        QTest::newRow("Windows XP") << "Windows XP" << true;
        QTest::newRow("Windows 98") << "Windows 98" << false;
        QTest::newRow("Failed") << "Failed" << false;
    }
    void writtenOnceAndOnlyForWindowsXP() {
        QFETCH(QString, system);
        QFETCH(bool, written);
        QTemporaryDir dir;
        const QString program = dir.filePath("KorlanSpecAn.exe");
        const QString manifest = dir.filePath("KorlanSpecAn.exe.manifest");
        QCOMPARE(writeManifestIfMissing(program, system), written);
        QCOMPARE(QFile::exists(manifest), written);
        QVERIFY(!writeManifestIfMissing(program, system)); // there already, or not wanted
        if (!written)
            return;
        QFile file(manifest);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), ManifestText().toLatin1() + "\r\n");
        QVERIFY(!(QFileInfo(manifest).permissions() & QFile::WriteOwner));
    }

    void elsewhereThanWindowsNothingIsWrittenAndNothingRestarts() {
#ifdef Q_OS_WIN
        QSKIP("Windows writes the manifest");
#else
        QTemporaryDir dir;
        QVERIFY(!EnsureManifest(dir.filePath("KorlanSpecAn")));
        QCOMPARE(GetOSName(runningOsVersion()), "Failed");
        QVERIFY(QDir(dir.path()).isEmpty());
#endif
    }
};

QTEST_GUILESS_MAIN(TestManifest)
#include "tst_manifest.moc"
