// SPDX-License-Identifier: MIT
// The program's start through the real windows (offscreen): the splash loads the main window
// behind itself and hands over to it, the same window as About box, and what the start says of
// a serial device the user may not open.
#include "app/frm_splash.h"
#include "app/program_start.h"
#include "app/program_version.h"
#include "live_program.h"

#include <QtTest>
#include <QtWidgets>

#include <unistd.h>

using namespace app;

class TestProgramStart : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::LiveProgram> m_program;

    // The step the splash had reached at its last tick, kept past its end.
    int& lastStepShown(QPointer<frmSplash> splash) {
        m_lastStep = 0;
        connect(splash->Timer1, &QTimer::timeout, this, [this, splash] {
            if (splash)
                m_lastStep = splash->currentStep();
        });
        return m_lastStep;
    }
    int m_lastStep = 0;

private slots:
    void initTestCase() { core::setTimeScale(0.1); }

    void init() { m_program = std::make_unique<testing::LiveProgram>(); }
    void cleanup() { m_program.reset(); }

    void splashLoadsTheWindowBehindItselfAndHandsOver_data() {
        QTest::addColumn<QString>("dismissed"); // how the splash is dismissed, if at all
        QTest::newRow("progress runs out") << "";
        QTest::newRow("any key") << "key";
        QTest::newRow("click on a label") << "click";
    }
    void splashLoadsTheWindowBehindItselfAndHandsOver() {
        QFETCH(QString, dismissed);
        frmSpecAn window;
        QPointer<frmSplash> splash = startProgram(window, m_program->folder());
        QVERIFY(splash && splash->isVisible() && splash->isWindow());
        QCOMPARE(splash->parentWidget(), &window);
        QVERIFY(!window.isVisible());
        // Loaded behind the splash: the caption carries the program's version.
        QCOMPARE(window.windowTitle(),
                 "KORLAN Corporation Ternaflow SS Spectrum Analyzer v" + programVersion());
        QVERIFY(QRegularExpression("^\\d+\\.\\d+\\.\\d+$").match(programVersion()).hasMatch());
        QCOMPARE(splash->pBar1->maximum(), 40);
        const int& lastStep = lastStepShown(splash);

        if (dismissed == "key") {
            QTest::keyClick(splash, Qt::Key_Space);
            QVERIFY(window.isVisible());
        } else if (dismissed == "click") {
            QTest::mouseClick(splash->lblCompanyProduct, Qt::LeftButton);
            QVERIFY(window.isVisible());
        }
        QTRY_VERIFY(splash.isNull());
        QVERIFY(window.isVisible() && window.isEnabled());
        if (dismissed.isEmpty())
            QCOMPARE(lastStep, 40 + 1); // the bar ran to its end before the splash closed
    }

    void aboutBoxStaysFor160StepsAndSaysWhereTheFilesAre() {
        frmSpecAn window;
        window.Form_Load(m_program->folder());
        window.show();
        window.mnuAbout->trigger();
        QPointer<frmSplash> about = window.findChild<frmSplash*>();
        QVERIFY(about && about->isVisible() && about->isWindow() && about->isEnabled());
        QVERIFY(!window.isEnabled());
        QCOMPARE(about->lastStep(), 160);
        QVERIFY(about->lblSettingsFile->text().endsWith(
            QDir::toNativeSeparators(core::modMain().IniFilePath)));
        QVERIFY(
            about->lblDataFolder->text().endsWith(QDir::toNativeSeparators(window.dataFolder())));
        const int& lastStep = lastStepShown(about);
        QTRY_VERIFY_WITH_TIMEOUT(about.isNull(), 10000);
        QVERIFY(window.isEnabled() && window.isVisible());
        QCOMPARE(lastStep, 160 + 1);
    }

    // A device that exists but may not be opened: the start-up says why and names its group.
    void startUpNamesTheGroupOfTheSavedPortsDevice() {
        if (::geteuid() == 0)
            QSKIP("root may open every device");
        QFile device(m_program->folder() + "/ttyUSB0");
        QVERIFY(device.open(QIODevice::WriteOnly));
        device.close();
        QVERIFY(device.setPermissions({}));
        m_program->mapPort(1, device.fileName());
        m_program->setIni("Program", "Port", "1");
        frmSpecAn window;
        window.Form_Load(m_program->folder());
        const QList<MsgBoxCall>& messages = m_program->messages;
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].title, "Serial Port Error");
        QVERIFY2(messages[0].text.contains("Permission denied") &&
                     messages[0].text.contains(QFileInfo(device).group()),
                 qPrintable(messages[0].text));
    }
};

QTEST_MAIN(TestProgramStart)
#include "tst_program_start.moc"
