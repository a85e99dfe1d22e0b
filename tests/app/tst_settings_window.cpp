// SPDX-License-Identifier: MIT
// The window's settings through the real window (offscreen) on a real settings file: what survives
// a restart, stored values no user could have typed, the named sets saved and restored through
// their dialog, and a settings file that cannot be written.
#include "display/color_swatch.h"
#include "display/up_down.h"
#include "live_program.h"
#include "settings/frm_dlg_settings.h"
#include "settings/window_settings.h"
#include "tests/support/file_bytes.h"

#include <QtTest>
#include <QtWidgets>

#include <unistd.h>

using namespace app;
using settings::IniFile;
using settings::NotSet;

class TestSettingsWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::LiveProgram> m_program;

    QString iniPath() const { return m_program->iniPath(); }
    IniFile ini() const { return m_program->ini(); }
    frmSpecAn& start() { return m_program->load(); }
    void quit() {
        QVERIFY(m_program->window->close());
        m_program->window.reset();
    }

    // Everything the settings decide, as one line: the level limits, the frequency limits (text
    // and up-downs), the upper limit's box, then as 0 or 1: Line, Peak, Ave, Spectrum, Channel,
    // auto save, auto start, the legend shown, its menu entry ticked, Run Forever.
    static QString state(const frmSpecAn& w) {
        QString flags;
        for (const bool on :
             {w.chkLine->isChecked(), w.chkShowPeaks->isChecked(), w.chkShowAverages->isChecked(),
              w.chkSpectrum->isChecked(), w.chkChannel->isChecked(), w.engine().AutoSaveScanOn(),
              core::modMain().AutoStartScanOn, w.picLegend->isVisible(),
              w.mnuShowLegend->isChecked(), w.chkRunForever->isChecked()})
            flags += on ? '1' : '0';
        return QStringLiteral("%1 %2 %3-%4 %5 %6 %7 %8")
            .arg(w.udULimit->value())
            .arg(w.udLLimit->value())
            .arg(w.txtFLLimit->text(), w.txtFULimit->text())
            .arg(w.udFLLimit->value())
            .arg(w.udFULimit->value())
            .arg(w.txtULimit->text(), flags);
    }

    // Named sets: "A,,C" stores A in slot 1 and C in slot 3, each with LUL "lul-" + its name.
    void storeSlots(const QString& list) {
        const QStringList names = list.split(QLatin1Char(','));
        for (int slot = 1; slot <= names.size(); ++slot) {
            if (names[slot - 1].isEmpty())
                continue;
            const QString section = settings::savedSettingsSection(slot);
            QVERIFY(ini().WriteIni(section, "Name", names[slot - 1]));
            QVERIFY(ini().WriteIni(section, "LUL", "lul-" + names[slot - 1]));
        }
    }
    QStringList storedSlots(const QString& savedName) const {
        QStringList slotsNow;
        for (int slot = 1; slot <= settings::SavedSlotCount; ++slot) {
            const QString section = settings::savedSettingsSection(slot);
            const QString name = ini().ReadIni(section, "Name");
            if (name == NotSet) {
                slotsNow << QString();
                continue;
            }
            const QString lul = ini().ReadIni(section, "LUL");
            slotsNow << (lul == (name == savedName ? "-40" : "lul-" + name) ? name : name + "?");
        }
        while (!slotsNow.isEmpty() && slotsNow.last().isEmpty())
            slotsNow.removeLast();
        return slotsNow;
    }

    settings::frmDlgSettings* openNamedSettings(QAction* entry) {
        entry->trigger();
        settings::frmDlgSettings* dialog = m_program->window->settingsDialog();
        [&] {
            QVERIFY(dialog && dialog->isVisible() && dialog->isWindow());
            QCOMPARE(dialog->parentWidget(), m_program->window.get());
            QVERIFY(!m_program->window->isEnabled());
        }();
        return dialog;
    }

private slots:
    void init() { m_program = std::make_unique<testing::LiveProgram>(); }
    void cleanup() { m_program.reset(); }

    void everySettingComesBackAfterARestart() {
        frmSpecAn& first = start();
        for (const QString& key : settings::slotKeys().mid(1) + QStringList{"Forever"})
            QCOMPARE(ini().ReadIni(settings::DefaultSection, key), NotSet);
        QCOMPARE(state(first), "-40 -120 902.2-927.6 3 1 -40 0111000000");

        first.udULimit->setValue(-60);
        first.udLLimit->setValue(-110);
        first.udFLLimit->setValue(1);
        first.udFULimit->setValue(3);
        first.chkLine->click();
        first.chkShowPeaks->click();
        first.chkShowAverages->click();
        first.chkChannel->setChecked(true);
        first.mnuShowLegend->trigger();
        QCOMPARE(ini().ReadIni(settings::DefaultSection, "Legend"), "1"); // at once
        first.mnuAutoSave->trigger();
        first.mnuAutoStart->trigger();
        first.chkRunForever->click();
        const QString changed = "-60 -110 895.8-934.0 1 3 -60 1000111111";
        QCOMPARE(state(first), changed);
        quit();
        QCOMPARE(ini().ReadIni(settings::DefaultSection, "Peak"), "0");

        QCOMPARE(state(start()), changed);
        m_program->window->chkRunForever->click(); // nothing connects by itself while the test ends
    }

    void valuesNoUserCouldTypeAreClampedAndNeverWrittenBackWrongly_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("storedAfterQuit");
        const QString d = settings::DefaultSection;
        // clang-format off
        QTest::newRow("LUL above") << d << "LUL" << "7" << "-35" << "-35";
        QTest::newRow("FUL above") << d << "FUL" << "9" << "934.0" << "3";
        QTest::newRow("FLL not a number") << d << "FLL" << "abc" << "902.2" << "3";
        QTest::newRow("Mode 2") << d << "Mode" << "2" << "0" << "0";
        QTest::newRow("Legend 2") << d << "Legend" << "2" << "0" << "0";
        QTest::newRow("Speed 9") << "Program" << "Speed" << "9" << "4" << "9";
        QTest::newRow("colour no number") << "DisplayColors" << "BLast" << "x" << "0" << "x";
        // clang-format on
    }
    void valuesNoUserCouldTypeAreClampedAndNeverWrittenBackWrongly() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QVERIFY(ini().WriteIni(section, key, stored));
        frmSpecAn& w = start();
        const QMap<QString, QString> shown{
            {"LUL", QString::number(w.udULimit->value())},
            {"FUL", w.txtFULimit->text()},
            {"FLL", w.txtFLLimit->text()},
            {"Mode", QString::number(w.chkLine->isChecked())},
            {"Legend", QString::number(w.picLegend->isVisible())},
            {"Speed", QString::number(w.scrlSpeed->value())},
            {"BLast", QString::number(w.clrPickerLast->value())},
        };
        QTEST(shown.value(key), "shown");
        quit();
        QTEST(ini().ReadIni(section, key), "storedAfterQuit");
    }

    void savingANamedSetArrangesTheTenSlots_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        // clang-format off
        QTest::newRow("eleventh name") << "j,i,h,g,f,e,d,c,b,a" << "k" << "k,j,i,h,g,f,e,d,c,b";
        QTest::newRow("same name other case") << "A,B,C,TEST" << " Test " << "A,B,C,Test";
        QTest::newRow("gap") << "A,,C" << "D" << "D,A,C,C";
        QTest::newRow("empty name") << "A" << "  " << "A";
        // clang-format on
    }
    void savingANamedSetArrangesTheTenSlots() {
        QFETCH(QString, before);
        QFETCH(QString, typed);
        storeSlots(before);
        start();
        settings::frmDlgSettings* dialog = openNamedSettings(m_program->window->mnuSaveSettings);
        QCOMPARE(dialog->cmdOK->text(), "Save");
        QTest::keyClicks(dialog->txtSetName, typed);
        dialog->cmdOK->click();
        QVERIFY(m_program->window->isEnabled());
        QTRY_VERIFY(!m_program->window->settingsDialog());
        QTEST(storedSlots(typed.trimmed()).join(','), "after");
    }

    void namedRestoreTakesTheExactNameOrTheDefaults_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("upperLimit");
        QTest::newRow("double-click") << "double-click" << -70;
        QTest::newRow("Restore button") << "Restore" << -70;
        QTest::newRow("Cancel") << "Cancel" << -80;
        QTest::newRow("other letter case") << "field" << -50;
    }
    void namedRestoreTakesTheExactNameOrTheDefaults() {
        QFETCH(QString, how);
        const QString d = settings::DefaultSection;
        const QString field = settings::savedSettingsSection(2);
        for (const auto& [section, key, value] :
             {std::tuple{d, "LUL", "-50"},
              {settings::savedSettingsSection(1), "Name", "Other"},
              {field, "Name", "Field"},
              {field, "LUL", "-70"},
              {field, "Mode", "1"}})
            QVERIFY(ini().WriteIni(section, key, value));
        frmSpecAn& w = start();
        w.udULimit->setValue(-80);
        settings::frmDlgSettings* dialog = openNamedSettings(w.mnuRestoreSettings);
        QCOMPARE(dialog->cmdOK->text(), "Restore");
        QCOMPARE(dialog->lstSettings->count(), 2);
        const QList<QListWidgetItem*> found =
            dialog->lstSettings->findItems("Field", Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        const QPoint at = dialog->lstSettings->visualItemRect(found[0]).center();
        QWidget* list = dialog->lstSettings->viewport();
        if (how == "double-click") {
            // As the system delivers a double click: a click, then the double click and a release.
            QTest::mouseClick(list, Qt::LeftButton, {}, at);
            QTest::mouseDClick(list, Qt::LeftButton, {}, at);
            QTest::mouseRelease(list, Qt::LeftButton, {}, at);
        } else if (how == "field") {
            dialog->txtSetName->setText(how);
            dialog->cmdOK->click();
        } else {
            QTest::mouseClick(list, Qt::LeftButton, {}, at);
            QTRY_COMPARE(dialog->txtSetName->text(), "Field");
            (how == "Cancel" ? dialog->cmdCancel : dialog->cmdOK)->click();
        }
        QTRY_VERIFY(!w.settingsDialog() && !w.tmrSettingsRestore->isActive());
        QVERIFY(w.isEnabled());
        QTEST(w.udULimit->value(), "upperLimit");
        QCOMPARE(w.chkLine->isChecked(), w.udULimit->value() == -70);
        QCOMPARE(core::modMain().SettingsRestoreName, QString());
    }

    void settingsThatCannotBeSavedAreReportedOnceAndNothingStops_data() {
        QTest::addColumn<bool>("readOnlyFile"); // else the file became a folder
        QTest::newRow("read-only file") << true;
        QTest::newRow("folder in its place") << false;
    }
    void settingsThatCannotBeSavedAreReportedOnceAndNothingStops() {
        QFETCH(bool, readOnlyFile);
        if (readOnlyFile && ::geteuid() == 0)
            QSKIP("root writes read-only files");
        frmSpecAn& w = start();
        const QByteArray before = testing::fileBytes(iniPath());
        if (readOnlyFile)
            QVERIFY(QFile::setPermissions(iniPath(), QFile::ReadOwner));
        else
            QVERIFY(QFile::remove(iniPath()) && QDir().mkdir(iniPath()));

        w.chkRunForever->click();
        w.mnuAutoSave->trigger();
        QCOMPARE(m_program->messagesTitled("Settings"), 1);
        QVERIFY(m_program->messages.last().text.contains(QDir::toNativeSeparators(iniPath())));
        quit();
        QCOMPARE(m_program->messagesTitled("Settings"), 1);
        const QStringList left = QDir(m_program->folder()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left, readOnlyFile ? QStringList{"KorlanSpecAn.ini"} : QStringList{});
        QCOMPARE(testing::fileBytes(iniPath()), readOnlyFile ? before : QByteArray());
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "tst_settings_window.moc"
