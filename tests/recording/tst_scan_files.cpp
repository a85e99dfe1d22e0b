// SPDX-License-Identifier: MIT
// Scan files: the record layout, writing and reading them, their names, saving the recording
// under a name, the list of saved scans, and where the files live.
#include "recording/data_folder.h"
#include "recording/scan_file.h"
#include "recording/scan_library.h"
#include "recording/scan_names.h"
#include "tests/support/file_bytes.h"

#include <QDir>
#include <QDirIterator>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <memory>

using namespace recording;
using testing::fileBytes;
using testing::writeFile;

class TestScanFiles : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_root;
    QString m_data; // Data inside m_root, fresh for each test

    QString inData(const QString& name) const { return QDir(m_data).filePath(name); }
    QString inRoot(const QString& name) const { return m_root->filePath(name); }

    static ScanRecord loop(qint32 n) {
        ScanRecord r{n, -2, "10-30-2009  14:05:33", {}, {}, {}};
        r.LastCodes = QByteArray(100, char(95)); // the sweep passed only the first 100 channels
        r.AverageCodes = QByteArray(CodeFieldLength + 8, char(n));
        // the first group switched off, the rest at -90 dBm
        r.PeakCodes = QByteArray(16, char(200)) + QByteArray(176, char(90));
        return r;
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

    void recordHasTheFileLayout() {
        const QByteArray bytes = loop(0x01020304).toBytes();
        QCOMPARE(bytes.size(), RecordLength);
        QCOMPARE(bytes.left(8), QByteArray("\x04\x03\x02\x01\xfe\xff\xff\xff", 8));
        QCOMPARE(bytes.mid(8, 20), QByteArray("10-30-2009  14:05:33"));
        QCOMPARE(bytes.mid(28, 192), QByteArray(100, char(95)) + QByteArray(92, ' '));
        QCOMPARE(bytes.mid(220, 192), QByteArray(192, char(4)));
        QCOMPARE(bytes.mid(412), loop(1).PeakCodes);

        const ScanRecord back = ScanRecord::fromBytes(bytes);
        QCOMPARE(back.LoopNumber, 0x01020304);
        QCOMPARE(back.Attenuation, -2);
        QCOMPARE(back.LastCodes, bytes.mid(28, 192));
    }

    void recordsReachTheDiskBeforeClose() {
        const QString path = inRoot(QStringLiteral("lastScan.dat"));
        ScanFile file;
        QVERIFY(!file.create(inRoot(QStringLiteral("missing/lastScan.dat"))));
        QVERIFY(!file.errorString().isEmpty());
        QVERIFY(file.create(path));
        QVERIFY(file.writeRecord(1, loop(1)));
        QVERIFY(file.writeRecord(2, loop(2)));
        QCOMPARE(fileBytes(path), loop(1).toBytes() + loop(2).toBytes());

        QVERIFY(file.writeRecord(4, loop(4)));
        QCOMPARE(fileBytes(path).mid(2 * RecordLength),
                 QByteArray(RecordLength, '\0') + loop(4).toBytes());
        QCOMPARE(file.recordCount(), 4);
        QCOMPARE(file.readRecord(2)->AverageCodes, QByteArray(CodeFieldLength, char(2)));
        QVERIFY(!file.readRecord(5));
    }

    // A new recording never keeps loops of the one before it, even beyond its own end.
    void aNewRecordingStartsEmpty() {
        const QString path = inRoot(QStringLiteral("lastScan.dat"));
        ScanFile file;
        QVERIFY(file.create(path));
        for (qint32 n = 1; n <= 3; ++n)
            QVERIFY(file.writeRecord(n, loop(n)));
        QVERIFY(file.create(path));
        QCOMPARE(file.recordCount(), 0);
        QVERIFY(file.writeRecord(1, loop(7)));
        file.close();
        QCOMPARE(fileBytes(path), loop(7).toBytes());
    }

    // A scan copied from a colleague or kept on a read-only medium still plays back.
    void aReadOnlyScanPlaysBackAndIsNeverWritten() {
        const QString path = inRoot(QStringLiteral("readonly.dat"));
        QVERIFY(testing::writeFile(path, loop(1).toBytes() + loop(2).toBytes()));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        ScanFile file;
        QVERIFY2(file.openForReading(path), qPrintable(file.errorString()));
        QCOMPARE(file.readRecord(2)->LoopNumber, 2);
        QVERIFY(!file.writeRecord(3, loop(3)));
        QCOMPARE(file.recordCount(), 2);
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

    // What the list says beside a scan's name; "?" where the records do not tell.
    void aScanIsSummedUpByItsStartDurationAndLoops_data() {
        QTest::addColumn<QStringList>("starts"); // one record a start text
        QTest::addColumn<QString>("summary");
        // clang-format off
        QTest::newRow("a day") << QStringList{"06-01-2024  10:00:00", "06-01-2024  22:00:00",
                                              "06-02-2024  10:00:05"}
                               << "06-01-2024  10:00:00, 1d 5s, 3 loops";
        QTest::newRow("one loop") << QStringList{"06-01-2024  10:00:00"}
                                  << "06-01-2024  10:00:00, 0s, 1 loop";
        QTest::newRow("last start garbled") << QStringList{"06-01-2024  10:00:00", "noon"}
                                            << "06-01-2024  10:00:00, ?, 2 loops";
        QTest::newRow("empty") << QStringList{} << "?, ?, 0 loops";
        // clang-format on
    }
    void aScanIsSummedUpByItsStartDurationAndLoops() {
        QFETCH(QStringList, starts);
        ScanFile file;
        QVERIFY(file.create(inData("scan.dat")));
        for (int n = 1; n <= starts.size(); ++n)
            QVERIFY(file.writeRecord(n, ScanRecord{n, 0, starts[n - 1].toLatin1(), {}, {}, {}}));
        file.close();
        QTEST(scanSummary(inData("scan.dat")), "summary");
        QCOMPARE(scanSummary(inData("missing.dat")), QString());
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
        // A user whose umask lets the group and others read what they write.
        const mode_t umaskBefore = ::umask(022);
        const auto restoreUmask = qScopeGuard([umaskBefore] { ::umask(umaskBefore); });
        QVERIFY(writeFile(inData("LastScan.DAT"), recording(200)));
        const QFile::Permissions ordinary = QFileInfo(inData("LastScan.DAT")).permissions();
        QVERIFY(existing.isEmpty() || writeFile(inData(existing), recording(9)));
        const SaveResult result = SaveLastScan(m_data, name);
        QVERIFY2(result.ok && result.message.isEmpty(), qPrintable(result.message));
        QCOMPARE(result.savedName, savedName);
        QCOMPARE(fileBytes(inData(savedName)), recording(200));
        QCOMPARE(tree(m_data), QStringList{savedName});
        // Readable by whoever the user's umask lets read an ordinary file, as the recording was.
        QCOMPARE(QFileInfo(inData(savedName)).permissions(), ordinary);
        QVERIFY(ordinary & QFile::ReadGroup);
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
        QCOMPARE(fileBytes(inData(RecordingFileName)), recorded ? recording(4) : QByteArray());
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
        // Names no save would take, but a file system allows, are listed and deleted alike.
        for (const QString name : {"a:b.dat", "x\\y.dat"})
            QVERIFY(writeFile(QDir(m_data).filePath(name), "x"));
        QCOMPARE(FillScanList(m_data), (QStringList{"x\\y.dat", "d.dat", "b.dat", "a:b.dat"}));
        QCOMPARE(deleteScans(m_data, {"a:b.dat", "x\\y.dat"}), QStringList());
        QCOMPARE(FillScanList(m_data), (QStringList{"d.dat", "b.dat"}));
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
