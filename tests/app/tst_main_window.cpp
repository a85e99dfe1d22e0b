// SPDX-License-Identifier: MIT
// The main window's plot side through its real widgets, shown offscreen: the frequency axis and
// its rebuilds, the drawing of readings, the colours and the colour palette, the group boxes, the
// attenuation box, and Wait.
#include "core/wait.h"
#include "display/color_swatch.h"
#include "display/freq_axis.h"
#include "display/frm_color_palette.h"
#include "display/plot_view.h"
#include "display/up_down.h"
#include "display/widget_twips.h"
#include "live_program.h"

#include <QtTest>
#include <QtWidgets>

using namespace app;
using namespace core;
using namespace display;
using testing::LiveProgram;

class TestMainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<LiveProgram> m_program;

    static constexpr int Px = TwipsPerPixel;
    // A channel of "Grp 1" whose slot lies clear of the group separators at every limit setting.
    static constexpr int Chan = 40;
    const QString Colors = display::DisplayColorsSection;

    const QImage& image() const { return m_program->window->frDisplay->renderer().image(); }
    display::SlotColumns bar(int chan) const {
        const frmSpecAn& w = *m_program->window;
        return display::slotColumns(display::slotOfChannel(chan, w.LowBandChannels), w.ChanWidth,
                                    modMain().BarGap);
    }
    // Rows of one pixel column that show the colour.
    QList<int> rowsOf(int x, const QColor& color) const {
        QList<int> rows;
        for (int y = 0; y < image().height(); ++y)
            if (image().pixelColor(x, y) == color)
                rows << y;
        return rows;
    }
    // Whether the channel's slot is wholly the colour, top to bottom.
    bool slotIs(int chan, const QColor& color) const {
        bool all = bar(chan).Right > bar(chan).Left;
        for (int x = bar(chan).Left; x < bar(chan).Right; ++x)
            all = all && rowsOf(x, color).size() == image().height();
        return all;
    }
    QByteArray iniBytes() const {
        QFile file(m_program->iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Start-up with the clock stopped: tests tick it by hand.
    frmSpecAn& load() {
        frmSpecAn& w = m_program->load();
        w.timeTimer->stop();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(&w)); }();
        return w;
    }

private slots:
    void init() {
        setTimeScale(1);
        m_program = std::make_unique<LiveProgram>();
    }
    void cleanup() { m_program.reset(); }

    void frequencyLimitsSetSlotsWidthsAndGroupBoxes_data() {
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("slotCount");
        QTest::addColumn<int>("chanWidth");
        // ChanWidth = CLng(10665 / slots - 1): the window offers 12000 - 1215 - 120 twips.
        QTest::newRow("902.2 - 927.6") << 3 << 1 << 128 << 82;
        QTest::newRow("895.8 - 934.0") << 1 << 3 << 193 << 54;
    }
    void frequencyLimitsSetSlotsWidthsAndGroupBoxes() {
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(int, slotCount);
        QFETCH(int, chanWidth);
        frmSpecAn& w = load();
        w.udFLLimit->setValue(low);
        w.udFULimit->setValue(high);
        QCOMPARE(w.txtFLLimit->text() + " - " + w.txtFULimit->text(), QTest::currentDataTag());
        QCOMPARE(twWidth(w.frDisplay), slotCount * chanWidth);
        // Eight "Grp" boxes and a "Hi" box per further high band.
        QCOMPARE(w.chkChGroup.size(), 7 + high);
        for (QCheckBox* box : w.chkChGroup)
            QVERIFY(box->isVisible());
        QCOMPARE(w.chkChGroup.last()->text(), high == 1 ? "Grp 8" : QString("Hi %1").arg(high - 1));
        // "Grp 1" starts one pixel right of the low bands on the plot.
        QCOMPARE(twLeft(w.chkChGroup[0]), twLeft(w.frDisplay) + w.LowBandChannels * chanWidth + Px);
    }

    void lowLimitRebuildClearsReadingsAndRecreatesTheBoxes_data() {
        QTest::addColumn<bool>("firstChecked");
        QTest::newRow("Grp 1 checked, Grp 5 unchecked") << true;
        QTest::newRow("Grp 1 unchecked, Grp 5 checked") << false;
    }
    void lowLimitRebuildClearsReadingsAndRecreatesTheBoxes() {
        QFETCH(bool, firstChecked);
        frmSpecAn& w = load();
        w.udFLLimit->setValue(1);
        w.UpdateChannelReading(Chan, -50, 0, 0, false);
        w.UpdateChannelReading(3, -70, 0, 0, false);
        QVERIFY(!rowsOf(bar(Chan).Left, w.activeColors().Last).isEmpty());
        w.chkChGroup[firstChecked ? 4 : 0]->click();

        w.udFLLimit->setValue(3);
        for (const scan::ChannelReading& r : w.model().readings())
            QVERIFY(r.Last == 0 && r.Peak == 0 && r.Sum == 0 && r.Count == 0);
        for (int x = 0; x < image().width(); ++x)
            QVERIFY(rowsOf(x, w.activeColors().Last).isEmpty());
        // The group boxes take the state of "Grp 1", which stays checked when no other is; the
        // last checked box cannot be unchecked.
        QString groups;
        for (QCheckBox* box : w.chkChGroup)
            groups += box->isChecked() ? '1' : '0';
        QCOMPARE(groups, firstChecked ? "11111111" : "10000000");
        w.chkChGroup[0]->click();
        QCOMPARE(w.chkChGroup[0]->isChecked(), !firstChecked);
        // The low band boxes (shown, checked) come back unchecked, then checked.
        const auto state = [](QCheckBox* box) {
            return QString("%1%2").arg(box->isVisible()).arg(box->isChecked());
        };
        QCOMPARE(state(w.chkLB1) + state(w.chkLB2), "0000");
        w.udFLLimit->setValue(2);
        QCOMPARE(state(w.chkLB1) + state(w.chkLB2), "0010");
        w.udFLLimit->setValue(1);
        QCOMPARE(state(w.chkLB1) + state(w.chkLB2), "1111");
    }

    // A bar at the upper limit fills its slot, one at the lower limit leaves the background, and
    // the Line box draws a trace instead (its geometry is the renderer's to check).
    void barsFillFromTheirLevelAndAPausedDisplayKeepsItsPicture() {
        frmSpecAn& w = load();
        const QColor last = w.activeColors().Last;
        w.chkShowPeaks->setChecked(false);
        w.chkShowAverages->setChecked(false);
        w.chkLine->setChecked(true);
        w.UpdateChannelReading(Chan + 1, -40, 0, 0, false);
        QVERIFY(!rowsOf(bar(Chan + 1).Left, last).isEmpty() && !slotIs(Chan + 1, last));
        w.chkLine->setChecked(false);
        w.UpdateChannelReading(Chan + 1, -40, 0, 0, false);
        w.UpdateChannelReading(Chan + 2, -120, 0, 0, false);
        QVERIFY(slotIs(Chan + 1, last));
        QVERIFY(slotIs(Chan + 2, w.activeColors().Back));

        w.cmdPauseTest_Click();
        const QImage before = image().copy();
        w.UpdateChannelReading(Chan, -45, 0, 0, false);
        QCOMPARE(w.model().reading(Chan).Last, qint16(45));
        QVERIFY(image() == before);
        // A skipped channel is drawn empty, paused or not, and keeps its reading.
        w.UpdateChannelReading(Chan + 1, 120, 121, 121, true);
        QVERIFY(slotIs(Chan + 1, w.activeColors().Back));
        QCOMPARE(w.model().reading(Chan + 1).Last, qint16(40));
    }

    // The colours in use are the file's for the mode (a stored green bar peak here): drawn and
    // shown in the pickers. The palette's OK writes only the keys of the mode it edits, and the
    // window takes them once in that mode; Cancel writes nothing.
    void coloursFollowTheModesKeysAndThePaletteWritesOnlyItsOwn_data() {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void coloursFollowTheModesKeysAndThePaletteWritesOnlyItsOwn() {
        QFETCH(bool, ok);
        m_program->setIni(Colors, "BPeak", "65280");
        frmSpecAn& w = load();
        const display::ActiveColors& c = w.activeColors();
        QCOMPARE((QList<int>{w.clrPickerLast->value(), w.clrPickerPeak->value(),
                             w.clrPickerAverage->value(), w.clrPickerBackBox->value()}),
                 (QList<int>{0, 65280, 16711680, display::GrayTextColor}));
        w.chkShowAverages->setChecked(false);
        w.UpdateChannelReading(Chan, -80, 0, 0, false);
        const QList<int> peakRows = rowsOf(bar(Chan).Left, Qt::green);
        QCOMPARE(peakRows, (QList<int>{peakRows.value(0), peakRows.value(0) + 1}));

        const QByteArray before = iniBytes();
        QVERIFY(QMetaObject::invokeMethod(&w, "mnuDisplayColor_Click"));
        QPointer<display::frmColorPalette> palette = w.findChild<display::frmColorPalette*>();
        QVERIFY(palette && palette->optBar->isChecked() && !w.isEnabled());
        palette->optLine->click();
        palette->ColorPicker1->setValue(65280);
        (ok ? palette->cmdApplyColor : palette->cmdCancelColor)->click();
        QVERIFY(w.isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(palette.isNull(), 2000);
        QCOMPARE(c.Last, QColor(Qt::black));
        QCOMPARE(iniBytes() == before, !ok);
        w.chkLine->setChecked(true);
        // The palette wrote what it showed, the stored bar peak too; without it line peaks are red.
        QCOMPARE((QList<QColor>{c.Last, c.Peak}),
                 (QList<QColor>{ok ? Qt::green : Qt::black, ok ? Qt::green : Qt::red}));
        const settings::IniFile ini = m_program->ini();
        for (const QString role : {"Back", "Last", "Peak", "Average"}) {
            QCOMPARE(ini.ReadIni(Colors, 'L' + role) != settings::NotSet, ok);
            QCOMPARE(ini.ReadIni(Colors, 'B' + role) != settings::NotSet, role == "Peak");
        }
    }

    void attenuationBoxBlinksOnNineTicksWhileIdle() {
        frmSpecAn& w = load();
        w.udAtten->setValue(10);
        QString shown;
        for (int tick = 1; tick <= 12; ++tick) {
            QVERIFY(QMetaObject::invokeMethod(&w, "timeTimer_Timer"));
            shown += w.txtAtten->isEnabled() ? 'E' : '-';
        }
        QCOMPARE(shown, "-E-E-E-E-EEE");
    }

    void limitBoxUndoesKeysAndHandsFocusToThePlot() {
        frmSpecAn& w = load();
        // A key released in the box rewrites its text from its up-down.
        w.txtULimit->setText("7");
        QTest::keyClick(w.txtULimit, Qt::Key_5);
        QCOMPARE(w.txtULimit->text(), "-40");
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w, 2000))
            QSKIP("the platform does not activate windows");
        w.txtULimit->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY_WITH_TIMEOUT(w.frDisplay->hasFocus(), 2000);
    }

    void waitRunsPostedEventsAndLastsTheScaledTime_data() {
        QTest::addColumn<int>("requested");
        QTest::newRow("500 ms at a tenth") << 500;
        QTest::newRow("0 returns at once") << 0;
    }
    void waitRunsPostedEventsAndLastsTheScaledTime() {
        QFETCH(int, requested);
        setTimeScale(0.1);
        bool ran = false;
        QMetaObject::invokeMethod(
            this, [&ran] { ran = true; }, Qt::QueuedConnection);
        QElapsedTimer clock;
        clock.start();
        Wait(requested);
        const qint64 elapsed = clock.elapsed();
        // Only a wait of some time runs the posted event, and it lasts a tenth of the time.
        QCOMPARE(ran, requested > 0);
        QVERIFY2(ran ? elapsed >= 50 && elapsed < 400 : elapsed < 50,
                 qPrintable(QString::number(elapsed)));
        QTRY_VERIFY_WITH_TIMEOUT(ran, 1000);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
