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
    }

    void defaultNameCarriesAttenuationOnlyAboveZero_data() {
        QTest::addColumn<QString>("attenuation");
        QTest::addColumn<QString>("ending");
        QTest::newRow("empty") << ""
                               << ".dat";
        QTest::newRow("zero") << "0"
                              << ".dat";
        QTest::newRow("twenty") << "20"
                                << "_-20dB.dat";
        QTest::newRow("half dB, trailing zero") << "12.50"
                                                << "_-12.5dB.dat";
        QTest::newRow("not a number") << "abc"
                                      << ".dat";
        QTest::newRow("negative") << "-5"
                                  << ".dat";
    }
    void defaultNameCarriesAttenuationOnlyAboveZero() {
        QFETCH(QString, attenuation);
        QFETCH(QString, ending);
        const QDateTime now(QDate(2009, 10, 30), QTime(14, 5, 33));
        QCOMPARE(defaultScanName(now, attenuation), "2009-10-30_14-05-33" + ending);
        QVERIFY(!checkSaveName(defaultScanName(now, attenuation)));
    }

    void promptNameGetsDatEndingUnlessItHasOne_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::newRow("bare name") << "myscan"
                                   << "myscan.dat";
        QTest::newRow("mixed-case ending") << "myscan.Dat"
                                           << "myscan.Dat";
        QTest::newRow("other ending") << "myscan.txt"
                                      << "myscan.txt.dat";
        QTest::newRow("empty means do not save") << ""
                                                 << "";
    }
    void promptNameGetsDatEndingUnlessItHasOne() {
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        QCOMPARE(saveNameFromPrompt(typed), saved);
    }

    void onlyBareFileNamesOtherThanTheRecordingAreAccepted_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("parent folder") << "../x.dat" << false;
        QTest::newRow("slash") << "a/b.dat" << false;
        QTest::newRow("backslash") << "a\\b.dat" << false;
        QTest::newRow("dot dot") << ".." << false;
        QTest::newRow("dot") << "." << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("NUL") << QString("a") + QChar(0) + ".dat" << false;
        QTest::newRow("tab") << "a\tb.dat" << false;
        QTest::newRow("recording in upper case") << "LASTSCAN.DAT" << false;
        QTest::newRow("device") << "NUL.dat" << false;
        QTest::newRow("too long") << QString(252, 'x') + ".dat" << false;
        QTest::newRow("blanks and dots") << "site A 2.dat" << true;
        QTest::newRow("recording copy") << "lastScan copy.dat" << true;
        QTest::newRow("accented") << QStringLiteral("Überführung.dat") << true;
    }
    void onlyBareFileNamesOtherThanTheRecordingAreAccepted() {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        const auto why = checkSaveName(name);
        QCOMPARE(!why, accepted);
        QVERIFY(accepted || why->endsWith('.'));
    }

    void savingCopiesTheRecordingExactlyReplacingTheTargetThenDeletesTheRecording_data() {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("savedName");
        QTest::newRow("new name") << ""
                                  << "site A 2.dat"
                                  << "site A 2.dat";
        QTest::newRow("existing scan") << "myscan.dat"
                                       << "myscan.dat"
                                       << "myscan.dat";
        QTest::newRow("other letter case") << "Site.dat"
                                           << "SITE.dat"
                                           << "Site.dat";
    }
    void savingCopiesTheRecordingExactlyReplacingTheTargetThenDeletesTheRecording() {
        QFETCH(QString, existing);
        QFETCH(QString, name);
        QFETCH(QString, savedName);
        QVERIFY(writeFile(inData("LastScan.DAT"), recording(200)));
        if (!existing.isEmpty())
            QVERIFY(writeFile(inData(existing), recording(9)));

        const SaveResult result = SaveLastScan(m_data, name);
        QVERIFY2(result.ok && result.message.isEmpty(), qPrintable(result.message));
        QCOMPARE(result.savedName, savedName);
        QCOMPARE(readFile(inData(savedName)), recording(200));
        QCOMPARE(tree(m_data), QStringList{savedName});
    }

    void failedSaveKeepsTheRecordingAndLeavesNoTemporaryFile_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("name");
        QTest::newRow("no recording") << "no recording"
                                      << "x.dat";
        QTest::newRow("name is a folder") << "target folder"
                                          << "x.dat";
        QTest::newRow("data folder below a file") << "below a file"
                                                  << "x.dat";
        QTest::newRow("name reaching outside") << ""
                                               << "../x.dat";
        QTest::newRow("name of the recording") << ""
                                               << "lastscan.dat";
    }
    void failedSaveKeepsTheRecordingAndLeavesNoTemporaryFile() {
        QFETCH(QString, situation);
        QFETCH(QString, name);
        if (situation != "no recording")
            QVERIFY(writeFile(inData(RecordingFileName), recording(4)));
        if (situation == "target folder")
            QVERIFY(QDir(m_data).mkpath(name + "/inside"));
        QVERIFY(writeFile(inRoot("plain"), "not a folder"));
        const QStringList before = tree(m_root->path());

        const SaveResult result =
            SaveLastScan(situation == "below a file" ? inRoot("plain/Data") : m_data, name);
        QVERIFY(!result.ok);
        QVERIFY(!result.message.isEmpty());
        QCOMPARE(tree(m_root->path()), before);
        if (situation != "no recording")
            QCOMPARE(readFile(inData(RecordingFileName)), recording(4));
    }

    void scanListShowsDatFilesInNameOrderButNeverTheRecording() {
        for (const char* name : {"b.dat", "A.DAT", "c.Dat", "lastScan.dat", "LASTSCAN.DAT",
                                 "lastscan.dat", "notes.txt", "b.dat.bak", ".saving-1.tmp"})
            QVERIFY(writeFile(inData(name), "x"));
        QVERIFY(QDir(m_data).mkdir("folder.dat"));
        QCOMPARE(FillScanList(m_data), (QStringList{"A.DAT", "b.dat", "c.Dat"}));
        QCOMPARE(FillScanList(inRoot("nowhere")), QStringList());
    }

    void deletingThreeSelectedScansLeavesTheOthersAndRefusesAnythingElse() {
        QVERIFY(writeFile(inRoot("outside.dat"), "x"));
        for (const char* name :
             {"1.dat", "2.dat", "3.dat", "4.dat", "5.dat", "lastScan.dat", "KorlanSpecAn.ini"})
            QVERIFY(writeFile(inData(name), "x"));
        const QStringList refused{"../outside.dat", "LASTSCAN.DAT", "KorlanSpecAn.ini"};

        QCOMPARE(deleteScans(m_data, QStringList{"2.dat", "3.dat", "5.dat", "gone.dat"} + refused),
                 refused);
        QCOMPARE(FillScanList(m_data), (QStringList{"1.dat", "4.dat"}));
        QCOMPARE(tree(m_root->path()),
                 (QStringList{"Data", "Data/1.dat", "Data/4.dat", "Data/KorlanSpecAn.ini",
                              "Data/lastScan.dat", "outside.dat"}));
    }

    void deletionQuestionListsEachNameOnItsOwnLine() {
        QCOMPARE(deletionQuestion({"a.dat", "b b.dat"}),
                 "You have marked the following files for deletion:\r\n\r\n"
                 "a.dat\r\nb b.dat\r\n\r\nDelete ?");
    }

    void filesStayBesideAWritableProgramFolderInTheirOwnLetterCase() {
        QCOMPARE(locateProgramFolders(m_root->path()).settingsFile, inRoot("KorlanSpecAn.ini"));
        QCOMPARE(tree(m_root->path()), QStringList{"Data"}); // the probe left nothing behind

        QVERIFY(QDir(m_data).rename(m_data, inRoot("data")));
        QVERIFY(writeFile(inRoot("korlanspecan.INI"), "[Program]\r\n"));
        const ProgramFolders folders = locateProgramFolders(m_root->path());
        QVERIFY(!folders.perUser);
        QCOMPARE(folders.settingsFile, inRoot("korlanspecan.INI"));
        QCOMPARE(folders.dataFolder, inRoot("data"));
    }

    void filesMoveToTheUsersFoldersWhenTheProgramFolderCannotBeWritten_data() {
        QTest::addColumn<QString>("situation");
        QTest::newRow("program folder below a file") << "below a file";
        QTest::newRow("Data beside the program is a file") << "data is a file";
        QTest::newRow("probe refuses the program folder") << "probe refuses";
    }
    void filesMoveToTheUsersFoldersWhenTheProgramFolderCannotBeWritten() {
        QFETCH(QString, situation);
        const QString program = inRoot("program");
        QVERIFY(QDir().mkpath(program));
        QVERIFY(writeFile(inRoot("plain"), "not a folder"));
        QVERIFY(writeFile(program + "/Data", "not a folder"));
        const auto refuseProgram = [&](const QString& folder) { return folder != m_root->path(); };
        const ProgramFolders folders =
            situation == "below a file"     ? locateProgramFolders(inRoot("plain/program"))
            : situation == "data is a file" ? locateProgramFolders(program)
                                            : locateProgramFolders(m_root->path(), refuseProgram);
        const QDir config(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
        const QDir data(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
        QVERIFY(folders.perUser);
        QCOMPARE(folders.settingsFile, config.filePath("KorlanSpecAn.ini"));
        QCOMPARE(folders.dataFolder, data.filePath("Data"));
    }

    void dataFolderIsCreatedWhenMissingAndOnlyWhereAFolderCanBe_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("exists");
        QTest::newRow("existing") << "Data" << true;
        QTest::newRow("missing with parents") << "a/b/Data/" << true;
        QTest::newRow("a file of that name") << "plain" << false;
        QTest::newRow("below a file") << "plain/Data" << false;
    }
    void dataFolderIsCreatedWhenMissingAndOnlyWhereAFolderCanBe() {
        QFETCH(QString, path);
        QFETCH(bool, exists);
        QVERIFY(writeFile(inRoot("plain"), "not a folder"));
        QCOMPARE(ensureDataFolder(inRoot(path)), exists);
        QCOMPARE(DirExists(inRoot(path)), exists);
        QVERIFY(!DirExists(QString()));
    }
};

QTEST_GUILESS_MAIN(TestScanFiles)

#include "tst_scan_files.moc"
