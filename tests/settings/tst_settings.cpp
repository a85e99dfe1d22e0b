// SPDX-License-Identifier: MIT
// The settings file as the profile calls read and write it, and how stored texts are read back
// into the window's controls. Which of the ten named slots a save fills is the window suite's,
// through the dialog.
#include "settings/ini_file.h"
#include "settings/window_settings.h"
#include "tests/support/file_bytes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace settings;
using testing::fileBytes;

Q_DECLARE_METATYPE(settings::Switch)

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString fileWith(const QByteArray& bytes) {
        const QString path = m_dir.filePath(QStringLiteral("program.ini"));
        if (!testing::writeFile(path, bytes))
            qFatal("cannot prepare %s", qPrintable(path));
        return path;
    }

private slots:
    void readsWhatTheProfileCallWouldReturn_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QByteArray v98(98, 'v');
        // clang-format off
        QTest::newRow("no section") << QByteArray("[A]\nx=1\n") << "B" << "x" << NotSet;
        QTest::newRow("no key") << QByteArray("[A]\nx=1\n[B]\ny=2\n") << "A" << "y" << NotSet;
        QTest::newRow("blank value") << QByteArray("[A]\nx=   \n") << "A" << "x" << NotSet;
        QTest::newRow("comment") << QByteArray("[A]\n;x=1\n") << "A" << "x" << NotSet;
        QTest::newRow("trimmed") << QByteArray("[A]\n  x  =  9 dB  \r\n") << "A" << "x" << "9 dB";
        QTest::newRow("case") << QByteArray("[Program]\nPort=3\n") << "PROGRAM" << "port" << "3";
        QTest::newRow("first section") << QByteArray("[A]\nx=1\n[a]\nx=2\n") << "A" << "x" << "1";
        QTest::newRow("first key") << QByteArray("[A]\nx=1\nX=2\n") << "A" << "x" << "1";
        QTest::newRow("99 of 100") << "[A]\nx=" + v98 + "yz" << "A" << "x" << QString(v98 + 'y');
        QTest::newRow("99 then trim") << "[A]\nx=" + v98 + " z" << "A" << "x" << QString(v98);
        QTest::newRow("Latin-1") << QByteArray("[A]\nx=caf\xe9\n") << "A" << "x" << "caf\u00e9";
        // A last line cut short after its CR ends there; a line written behind it completes the
        // CR to CR LF, and the fuzz target's kept input has it read alike before and after.
        QTest::newRow("lone CR at the end") << QByteArray("[A]\nx=1\r") << "A" << "x" << "1";
        // clang-format on
    }
    void readsWhatTheProfileCallWouldReturn() {
        QFETCH(QByteArray, text);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QTEST(IniFile(fileWith(text)).ReadIni(section, key), "expected");
    }

    void writeChangesOnlyItsOwnLine_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        // clang-format off
        QTest::newRow("in place") << QByteArray("; c\n[A]\nx=1\ny=2\n\n[B]\nx=3\n") << "X" << "5"
            << QByteArray("; c\n[A]\nx=5\ny=2\n\n[B]\nx=3\n");
        QTest::newRow("blanks kept") << QByteArray("[a]\nx = 1\n") << "x" << "2"
            << QByteArray("[a]\nx = 2\n");
        QTest::newRow("new key") << QByteArray("[A]\nx=1\n; of B\n\n[B]\n") << "z" << "9"
            << QByteArray("[A]\nx=1\nz=9\n; of B\n\n[B]\n");
        QTest::newRow("new section") << QByteArray("[B]\nx=1") << "y" << "2"
            << QByteArray("[B]\nx=1\n[A]\ny=2\n");
        QTest::newRow("CRLF") << QByteArray("[A]\r\nx=1\r\n") << "y" << "2"
            << QByteArray("[A]\r\nx=1\r\ny=2\r\n");
        QTest::newRow("Latin-1") << QByteArray("[A]\nn=caf\xe9\n") << "m" << "\u00e9t\u00e9"
            << QByteArray("[A]\nn=caf\xe9\nm=\xe9t\xe9\n");
        QTest::newRow("lone CR, LF file") << QByteArray("[A]\nx=1\r") << "y" << "2"
            << QByteArray("[A]\nx=1\r\ny=2\n");
        QTest::newRow("lone CR, CRLF file") << QByteArray("[A]\r\nx=1\r") << "y" << "2"
            << QByteArray("[A]\r\nx=1\r\ny=2\r\n");
        // clang-format on
    }
    void writeChangesOnlyItsOwnLine() {
        QFETCH(QByteArray, before);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const QString path = fileWith(before);
        QVERIFY(IniFile(path).WriteIni("A", key, value));
        QTEST(fileBytes(path), "after");
    }

    // The file holds Latin-1 text. A name or value beyond it is refused with a reason naming
    // the whole character, and never stands in for another name ("k?" for "kΩ").
    void textBeyondLatin1IsRefusedAndChangesNothing_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("named");
        // clang-format off
        QTest::newRow("value") << "Ports" << "Com1" << "/dev/ttyΩ" << "U+03A9";
        QTest::newRow("key") << "Ports" << "kΩ" << "new" << "U+03A9";
        QTest::newRow("section") << "Ports Ω" << "Com1" << "x" << "U+03A9";
        QTest::newRow("beyond 16 bits") << "Ports" << "Com1" << "/dev/tty😀" << "U+1F600";
        QTest::newRow("lone surrogate") << "Ports" << "Com1" << QString(QChar(0xd800)) << "U+D800";
        // clang-format on
    }
    void textBeyondLatin1IsRefusedAndChangesNothing() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, named);
        const QByteArray before("[Ports]\nk?=old\nCom1=/dev/ttyUSB0\n[Ports ?]\nCom1=y\n");
        IniFile ini(fileWith(before));
        QVERIFY(!ini.WriteIni(section, key, value));
        QVERIFY2(ini.errorString().contains("Latin-1") &&
                     ini.errorString().contains("character " + named + ","),
                 qPrintable(ini.errorString()));
        QCOMPARE(fileBytes(ini.path()), before);
        const bool stored = section == "Ports" && key == "Com1";
        QCOMPARE(ini.ReadIni(section, key), stored ? QStringLiteral("/dev/ttyUSB0") : NotSet);
    }

    void firstWriteCreatesTheFileAndSecondReplacesTheLine() {
        IniFile ini(m_dir.filePath(QStringLiteral("new.ini")));
        QCOMPARE(ini.ReadIni("Program", "Port"), NotSet);
        QVERIFY(ini.WriteIni("Program", "Port", "3"));
        QVERIFY(ini.WriteIni("program", "port", "4"));
#ifdef Q_OS_WIN
        QCOMPARE(fileBytes(ini.path()), QByteArray("[Program]\r\nPort=4\r\n"));
#else
        QCOMPARE(fileBytes(ini.path()), QByteArray("[Program]\nPort=4\n"));
#endif
    }

    void failedWriteReturnsFalseAndLeavesFilesAlone() {
        const QString path = fileWith("[A]\nx=1\n");
        QVERIFY(!IniFile(path + "/inside.ini").WriteIni("A", "x", "2"));
        QVERIFY(!IniFile(path).WriteIni("A", "x", "2\n[B]"));
        QCOMPARE(fileBytes(path), QByteArray("[A]\nx=1\n"));
        const QString inMissingFolder = m_dir.filePath(QStringLiteral("missing/new.ini"));
        QVERIFY(!IniFile(inMissingFolder).WriteIni("A", "x", "2"));
        QVERIFY(!QFile::exists(inMissingFolder));
    }

    void checkBoxesSwitchOnForOneAndOffOnlyForZero_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Switch>("expected");
        QTest::newRow("1") << "1" << Switch::On;
        QTest::newRow("1.0") << "1.0" << Switch::On;
        QTest::newRow("0") << "0" << Switch::Off;
        QTest::newRow("NOT SET") << NotSet << Switch::Leave;
        QTest::newRow("2") << "2" << Switch::Leave;
        QTest::newRow("yes") << "yes" << Switch::Leave;
    }
    void checkBoxesSwitchOnForOneAndOffOnlyForZero() {
        QFETCH(QString, text);
        QTEST(switchFrom(text), "expected");
        QCOMPARE(legendFrom(text), switchFrom(text) == Switch::On);
    }

    void limitsAreReadAsWholeNumbersWithinTheControlsRange_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("upperLevel"); // 0: the control is left as it is
        QTest::addColumn<int>("lowerLevel");
        QTest::addColumn<int>("upperFreq");
        QTest::addColumn<int>("lowerFreq");
        QTest::newRow("NOT SET") << NotSet << 0 << 0 << 1 << 3;
        QTest::newRow("not a number") << "abc" << 0 << 0 << 1 << 3;
        QTest::newRow("in range") << "-60" << -60 << -105 << 1 << 3;
        QTest::newRow("halves to even") << "-57.5" << -58 << -105 << 1 << 3;
        QTest::newRow("2.5") << "2.5" << -35 << -105 << 2 << 2;
        QTest::newRow("far above") << "1e30" << -35 << -105 << 3 << 3;
        QTest::newRow("far below") << "-1e30" << -100 << -120 << 1 << 3;
    }
    void limitsAreReadAsWholeNumbersWithinTheControlsRange() {
        QFETCH(QString, text);
        QTEST(levelLimitFrom(text, UpperLevelRange).value_or(0), "upperLevel");
        QTEST(levelLimitFrom(text, LowerLevelRange).value_or(0), "lowerLevel");
        QTEST(freqLimitFrom(text, UpperFreqFallback), "upperFreq");
        QTEST(freqLimitFrom(text, LowerFreqFallback), "lowerFreq");
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
