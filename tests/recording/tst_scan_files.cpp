// SPDX-License-Identifier: MIT
#include "recording/data_folder.h"
#include "recording/scan_library.h"
#include "recording/scan_names.h"

#include <QDir>
#include <QDirIterator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace recording;

class TestScanFiles : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_root;
    QString m_data; // Data inside m_root, fresh for each test

    QString inData(const QString& name) const { return QDir(m_data).filePath(name); }
    QString inRoot(const QString& name) const { return m_root->filePath(name); }

    static bool writeFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    static QByteArray readFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Every entry below the folder, hidden ones included.
    static QStringList tree(const QString& folder) {
        QStringList entries;
        QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            entries << QDir(folder).relativeFilePath(it.next());
        entries.sort();
        return entries;
    }
    // Loops of 604 bytes holding every byte value, more than one copy chunk in all.
    static QByteArray recording(int loops) {
        QByteArray bytes;
        for (int i = 0; i < loops * 604; ++i)
            bytes += char((i * 7 + loops) % 256);
        return bytes;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() {
        m_root = std::make_unique<QTemporaryDir>();
        m_data = inRoot(QStringLiteral("Data"));
        QVERIFY(QDir().mkpath(m_data));
        QVERIFY(writeFile(inRoot("plain"), "not a folder"));
    }

    // The prompt offers the default name, which carries the attenuation only above 0 dB. The name
    // typed gets ".dat" unless it ends in it in any letter case, then must be a bare file name
    // other than the recording; "" where it is refused, with a sentence.
    void promptNameGetsDatEndingAndOnlyBareNamesOtherThanTheRecordingPass_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        const QDateTime t(QDate(2009, 10, 30), QTime(14, 5, 33));
        const QString stamp = QStringLiteral("2009-10-30_14-05-33");
        // clang-format off
        QTest::newRow("default 0 dB")      << defaultScanName(t, "0")     << stamp + ".dat";
        QTest::newRow("default 20 dB")     << defaultScanName(t, "20")    << stamp + "_-20dB.dat";
        QTest::newRow("default 12.50 dB")  << defaultScanName(t, "12.50") << stamp + "_-12.5dB.dat";
        QTest::newRow("default 1e300 dB")  << defaultScanName(t, "1e300") << stamp + "_-1e+300dB.dat";
        QTest::newRow("default 1e-300 dB") << defaultScanName(t, "1e-300") << stamp + "_-1e-300dB.dat";
        QTest::newRow("mixed-case ending") << "myscan.Dat"                << "myscan.Dat";
        QTest::newRow("other ending")      << "myscan.txt"                << "myscan.txt.dat";
        QTest::newRow("blanks")            << "site A 2"                  << "site A 2.dat";
        QTest::newRow("recording copy")    << "lastScan copy.dat"         << "lastScan copy.dat";
        QTest::newRow("accented")          << "Überführung"               << "Überführung.dat";
        QTest::newRow("empty: no save")    << ""                          << "";
        QTest::newRow("parent folder")     << "../x.dat"                  << "";
        QTest::newRow("slash")             << "a/b"                       << "";
        QTest::newRow("backslash")         << "a\\b"                      << "";
        QTest::newRow("NUL")               << QString("a") + QChar(0)     << "";
        QTest::newRow("recording, caps")   << "LASTSCAN.DAT"              << "";
        QTest::newRow("device")            << "NUL"                       << "";
        QTest::newRow("port 0")            << "com0"                      << "";
        QTest::newRow("port superscript")  << "COM\u00b9.dat"             << "";
        QTest::newRow("printer superscript") << "LPT\u00b3"               << "";
        QTest::newRow("lone surrogate")    << QString("scan") + QChar(0xd800) << "";
        QTest::newRow("too long")          << QString(252, 'x')           << "";
        // clang-format on
    }
    void promptNameGetsDatEndingAndOnlyBareNamesOtherThanTheRecordingPass() {
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        const QString name = saveNameFromPrompt(typed);
        const auto why = checkSaveName(name);
        QCOMPARE(why ? QString() : name, saved);
        QVERIFY(!why || why->endsWith('.'));
    }

    // The saved name is the existing file's when there is one.
    void savingCopiesTheRecordingExactlyReplacingTheTargetThenDeletesTheRecording_data() {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QString>("name");
        // clang-format off
        QTest::newRow("new name")          << ""           << "site A 2.dat";
        QTest::newRow("existing scan")     << "myscan.dat" << "myscan.dat";
        QTest::newRow("other letter case") << "Site.dat"   << "SITE.dat";
        // clang-format on
    }
    void savingCopiesTheRecordingExactlyReplacingTheTargetThenDeletesTheRecording() {
        QFETCH(QString, existing);
        QFETCH(QString, name);
        const QString savedName = existing.isEmpty() ? name : existing;
        QVERIFY(writeFile(inData("LastScan.DAT"), recording(200)));
        QVERIFY(existing.isEmpty() || writeFile(inData(existing), recording(9)));
        const SaveResult result = SaveLastScan(m_data, name);
        QVERIFY2(result.ok && result.message.isEmpty(), qPrintable(result.message));
        QCOMPARE(result.savedName, savedName);
        QCOMPARE(readFile(inData(savedName)), recording(200));
        QCOMPARE(tree(m_data), QStringList{savedName});
    }

    void failedSaveKeepsTheRecordingAndLeavesNoTemporaryFile_data() {
        QTest::addColumn<QString>("situation");
        QTest::newRow("no recording") << "no recording";
        QTest::newRow("name is a folder") << "target folder";
        QTest::newRow("data folder below a file") << "below a file";
    }
    void failedSaveKeepsTheRecordingAndLeavesNoTemporaryFile() {
        QFETCH(QString, situation);
        const bool recorded = situation != "no recording";
        QVERIFY(!recorded || writeFile(inData(RecordingFileName), recording(4)));
        QVERIFY(situation != "target folder" || QDir(m_data).mkpath("x.dat/inside"));
        const QStringList before = tree(m_root->path());
        const SaveResult result =
            SaveLastScan(situation == "below a file" ? inRoot("plain/Data") : m_data, "x.dat");
        QVERIFY(!result.ok && !result.message.isEmpty());
        QCOMPARE(tree(m_root->path()), before);
        QCOMPARE(readFile(inData(RecordingFileName)), recorded ? recording(4) : QByteArray());
    }

    // The list holds the files ending in ".dat" in name order, never the recording. Deletion takes
    // only scans and reports the other names; the question before it puts each name on a line.
    void scanListLeavesOutTheRecordingAndDeletionTakesOnlyScans() {
        QVERIFY(writeFile(inRoot("outside.dat"), "x"));
        for (const QString& name :
             QStringList{"b.dat", "A.DAT", "c.Dat", "d.dat", "lastScan.dat", "LASTSCAN.DAT",
                         "notes.txt", "b.dat.bak", ".saving-1.tmp", SettingsFileName})
            QVERIFY(writeFile(inData(name), "x"));
        QVERIFY(QDir(m_data).mkdir("folder.dat"));
        QCOMPARE(FillScanList(m_data), (QStringList{"d.dat", "c.Dat", "b.dat", "A.DAT"}));
        QCOMPARE(FillScanList(inRoot("nowhere")), QStringList());
        const QStringList before = tree(m_root->path());
        const QStringList refused{"../outside.dat", "lastScan.dat", "notes.txt", SettingsFileName};
        QCOMPARE(deleteScans(m_data, QStringList{"A.DAT", "c.Dat", "gone.dat"} + refused), refused);
        QCOMPARE(FillScanList(m_data), (QStringList{"d.dat", "b.dat"}));
        QCOMPARE(tree(m_root->path()).size(), before.size() - 2);
        QCOMPARE(deletionQuestion({"a.dat", "b b.dat"}),
                 "You have marked the following files for deletion:\r\n\r\n"
                 "a.dat\r\nb b.dat\r\n\r\nDelete ?");
    }

    void filesStayBesideAWritableProgramFolderInTheirOwnLetterCase() {
        QCOMPARE(locateProgramFolders(m_root->path()).settingsFile, inRoot(SettingsFileName));
        QCOMPARE(tree(m_root->path()), (QStringList{"Data", "plain"})); // the probe left nothing
        QVERIFY(QDir(m_data).rename(m_data, inRoot("data")));
        QVERIFY(writeFile(inRoot(SettingsFileName.toLower()), "[Program]\r\n"));
        const ProgramFolders folders = locateProgramFolders(m_root->path());
        QVERIFY(!folders.perUser);
        QCOMPARE(folders.settingsFile, inRoot(SettingsFileName.toLower()));
        QCOMPARE(folders.dataFolder, inRoot("data"));
    }

    void filesMoveToTheUsersFoldersWhenTheProgramFolderCannotBeWritten_data() {
        QTest::addColumn<QString>("situation");
        QTest::newRow("program folder below a file") << "below a file";
        QTest::newRow("Data beside the program is a file") << "data is a file";
        QTest::newRow("probe refuses the program folder") << "probe refuses";
        QTest::newRow("installed in a bin folder") << "installed";
    }
    void filesMoveToTheUsersFoldersWhenTheProgramFolderCannotBeWritten() {
        QFETCH(QString, situation);
        QVERIFY(QDir().mkpath(inRoot("program")) && QDir().mkpath(inRoot("bin")) &&
                writeFile(inRoot("program/Data"), "not a folder"));
        const auto refuseProgram = [&](const QString& folder) { return folder != m_root->path(); };
        const ProgramFolders folders =
            situation == "below a file"     ? locateProgramFolders(inRoot("plain/program"))
            : situation == "data is a file" ? locateProgramFolders(inRoot("program"))
            : situation == "installed"      ? locateProgramFolders(inRoot("bin"))
                                            : locateProgramFolders(m_root->path(), refuseProgram);
        const QDir config(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
        const QDir data(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
        QVERIFY(folders.perUser);
        QCOMPARE(folders.settingsFile, config.filePath(SettingsFileName));
        QCOMPARE(folders.dataFolder, data.filePath(DataFolderName));
    }
};

QTEST_GUILESS_MAIN(TestScanFiles)

#include "tst_scan_files.moc"
