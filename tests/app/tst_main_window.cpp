// SPDX-License-Identifier: MIT
// The main window's plot side through its real widgets, shown offscreen: the placement of the
// controls, the two axes and their rebuilds, the drawing of readings, the colours and the colour
// palette, the status strip, the read-only limit boxes, the group and view boxes, and Wait.
#include "app/frm_specan.h"
#include "app/main_module.h"
#include "app/msg_box.h"
#include "app/twips.h"
#include "display/color_swatch.h"
#include "display/display_colors.h"
#include "display/freq_axis.h"
#include "display/frm_color_palette.h"
#include "display/plot_view.h"
#include "display/up_down.h"
#include "settings/ini_file.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtMath>

#include <functional>
#include <memory>

using app::frmSpecAn;
using app::twBottom;
using app::twHeight;
using app::twLeft;
using app::twRight;
using app::twTop;
using app::twWidth;

namespace {

constexpr int Px = app::TwipsPerPixel;
const QString Colors = display::DisplayColorsSection;

// A channel of "Grp 1" whose slot lies clear of the group separators at every limit setting.
constexpr int Chan = 40;

QColor pixelAt(frmSpecAn& w, int x, int y) {
    return w.frDisplay->renderer().image().pixelColor(x, y);
}

int imageRows(frmSpecAn& w) {
    return w.frDisplay->renderer().image().height();
}

// The pixel columns of a channel's bar at the window's current axis.
display::SlotColumns barColumns(const frmSpecAn& w, int chan) {
    return display::slotColumns(display::slotOfChannel(chan, w.LowBandChannels), w.ChanWidth,
                                app::modMain().BarGap);
}

// Rows of one pixel column that show the colour.
QList<int> rowsOf(frmSpecAn& w, int x, const QColor& color) {
    QList<int> rows;
    for (int y = 0; y < imageRows(w); ++y)
        if (pixelAt(w, x, y) == color)
            rows << y;
    return rows;
}

QList<int> allRows(frmSpecAn& w) {
    QList<int> rows;
    for (int y = 0; y < imageRows(w); ++y)
        rows << y;
    return rows;
}

display::frmColorPalette* openPalette() {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* palette = qobject_cast<display::frmColorPalette*>(top))
            if (palette->isVisible())
                return palette;
    return nullptr;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmSpecAn> m_window;

    QString iniPath() const { return m_dir->filePath(QStringLiteral("KorlanSpecAn.ini")); }

    void writeIni(const QString& section, const QString& key, const QString& value) {
        QVERIFY(settings::IniFile(iniPath()).WriteIni(section, key, value));
    }

    // Start-up in the temporary program folder; `beforeLoad` changes designed controls first.
    frmSpecAn& load(const std::function<void(frmSpecAn&)>& beforeLoad = {}) {
        if (beforeLoad)
            beforeLoad(*m_window);
        m_window->Form_Load(m_dir->path());
        m_window->show();
        // The clock is ticked by hand so that each test counts its own ticks.
        m_window->timeTimer->stop();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(m_window.get())); }();
        return *m_window;
    }

    void setLimits(frmSpecAn& w, int low, int high) {
        w.udFLLimit->setValue(low);
        w.udFULimit->setValue(high);
    }

private slots:
    void initTestCase() {
        app::setMsgBoxAnswerer([](const app::MsgBoxCall&) { return app::MsgBoxAnswer::Ok; });
    }

    void init() {
        app::modMain() = app::MainModule{};
        app::setTimeScale(1);
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        // Every menu port maps to a device that does not exist: no real port is probed.
        for (int n = 1; n <= 10; ++n)
            writeIni(QStringLiteral("Ports"), QStringLiteral("Com%1").arg(n),
                     m_dir->filePath(QStringLiteral("no-port-%1").arg(n)));
        m_window = std::make_unique<frmSpecAn>();
    }

    void cleanup() {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (qobject_cast<display::frmColorPalette*>(top))
                delete top;
        m_window.reset();
        m_dir.reset();
        app::modMain() = app::MainModule{};
    }

    void windowIsLaidOutAroundThePlotFromTheDesignedSizes() {
        frmSpecAn& w = load();
        QCOMPARE(w.width(), 800);
        QCOMPARE(twLeft(w.frDisplay), 1215);
        QCOMPARE(twTop(w.frDisplay), 360);
        QCOMPARE(w.frDisplay->geometry().topLeft(), QPoint(81, 24));
        QCOMPARE(twTop(w.frTextDisplay), 3540);
        QCOMPARE(twTop(w.scrollBarBorder), 3780);
        QCOMPARE(twTop(w.scrollTime), 3795);
        QCOMPARE(twTop(w.txtFLLimit), 4200);
        QCOMPARE(twTop(w.txtFULimit), 4200);
        for (QWidget* button : std::initializer_list<QWidget*>{
                 w.cmdConnect, w.cmdStopTest, w.cmdGotoEnd, w.cmdClearPeaks, w.cmdClearAverages})
            QCOMPARE(twTop(button), 4185);
        for (QWidget* option : std::initializer_list<QWidget*>{w.chkRunForever, w.chkShowPeaks,
                                                               w.chkShowAverages, w.chkLine})
            QCOMPARE(twTop(option), 4620);
        QCOMPARE(twTop(w.cmdClose), 4965);
        QVERIFY(w.cmdClose->isVisible());
        QVERIFY2(w.rect().contains(w.cmdClose->geometry()), "the Exit button is cut off");
    }

    void levelLimitBoxesAreCentredOnThePlotEdgesByTheLowerBoxHeight_data() {
        QTest::addColumn<int>("lowerBoxHeight");
        QTest::newRow("designed") << 285;
        QTest::newRow("lower box taller") << 345;
    }
    void levelLimitBoxesAreCentredOnThePlotEdgesByTheLowerBoxHeight() {
        QFETCH(int, lowerBoxHeight);
        frmSpecAn& w = load([&](frmSpecAn& f) { app::setTwHeight(f.txtLLimit, lowerBoxHeight); });
        QCOMPARE(twTop(w.txtULimit), twTop(w.frDisplay) - lowerBoxHeight / 2);
        QCOMPARE(twTop(w.txtLLimit), twBottom(w.frDisplay) - lowerBoxHeight / 2);
        QCOMPARE(twRight(w.txtULimit), twLeft(w.frDisplay) - 60);
        QCOMPARE(twRight(w.txtLLimit), twLeft(w.frDisplay) - 60);
    }

    void commandRowIsBuiltFromTheRight_data() {
        QTest::addColumn<int>("averagesWidth");
        QTest::newRow("designed") << 1635;
        QTest::newRow("Reset Averages wider") << 2000;
    }
    void commandRowIsBuiltFromTheRight() {
        QFETCH(int, averagesWidth);
        frmSpecAn& w =
            load([&](frmSpecAn& f) { app::setTwWidth(f.cmdClearAverages, averagesWidth); });
        QCOMPARE(twRight(w.cmdClearAverages), twLeft(w.udFULimit) - 60);
        const QList<QWidget*> row{w.cmdClearAverages, w.cmdClearPeaks, w.cmdGotoEnd,
                                  w.cmdStopTest,      w.cmdPauseTest,  w.cmdScan};
        int expectedRight = twLeft(w.udFULimit) - 60;
        for (QWidget* button : row) {
            QCOMPARE(twRight(button), expectedRight);
            expectedRight = twLeft(button) - 60;
        }
        // Everything left of "Reset Averages" moves with its width.
        QCOMPARE(twLeft(w.cmdStopTest),
                 twLeft(w.udFULimit) - 60 - averagesWidth - 60 - 1515 - 60 - 435 - 60 - 795);
    }

    void frequencyLimitsSetSlotsWidthsAndGroupBoxes_data() {
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("slotCount");
        QTest::addColumn<int>("chanWidth");
        QTest::addColumn<int>("groupBoxes");
        QTest::addColumn<bool>("lo1Shown");
        QTest::addColumn<bool>("lo2Shown");
        // ChanWidth = CLng(10665 / slots - 1): the window offers 12000 - 1215 - 120 twips.
        QTest::newRow("902.2 - 927.6") << 3 << 1 << 128 << 82 << 8 << false << false;
        QTest::newRow("899.0 - 927.6") << 2 << 1 << 145 << 73 << 8 << false << true;
        QTest::newRow("895.8 - 927.6") << 1 << 1 << 161 << 65 << 8 << true << true;
        QTest::newRow("902.2 - 930.8") << 3 << 2 << 145 << 73 << 9 << false << false;
        QTest::newRow("895.8 - 934.0") << 1 << 3 << 193 << 54 << 10 << true << true;
    }
    void frequencyLimitsSetSlotsWidthsAndGroupBoxes() {
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(int, slotCount);
        QFETCH(int, chanWidth);
        QFETCH(int, groupBoxes);
        QFETCH(bool, lo1Shown);
        QFETCH(bool, lo2Shown);
        frmSpecAn& w = load();
        setLimits(w, low, high);
        QCOMPARE(w.ChanWidth, chanWidth);
        QCOMPARE(twWidth(w.frDisplay), slotCount * chanWidth);
        QCOMPARE(w.GroupWidth, 16 * chanWidth);
        QCOMPARE(w.chkChGroup.size(), groupBoxes);
        for (QCheckBox* box : w.chkChGroup)
            QVERIFY(box->isVisible());
        QCOMPARE(w.chkChGroup.last()->text(), groupBoxes == 8
                                                  ? QStringLiteral("Grp 8")
                                                  : QStringLiteral("Hi %1").arg(groupBoxes - 8));
        QCOMPARE(w.chkLB1->isVisible(), lo1Shown);
        QCOMPARE(w.chkLB2->isVisible(), lo2Shown);
        // "Grp 1" starts one pixel right of the low bands on the plot.
        QCOMPARE(twLeft(w.chkChGroup[0]), twLeft(w.frDisplay) + w.LowBandChannels * chanWidth + Px);
    }

    void narrowingTheLowLimitClearsReadingsAndPlot() {
        frmSpecAn& w = load();
        setLimits(w, 1, 1);
        const display::SlotColumns bar = barColumns(w, Chan);
        w.UpdateChannelReading(Chan, -50, 0, 0, false);
        w.UpdateChannelReading(3, -70, 0, 0, false);
        QCOMPARE(w.model().reading(Chan).Last, qint16(50));
        QCOMPARE(pixelAt(w, bar.Left, imageRows(w) - 1), w.activeColors().Last);

        w.udFLLimit->setValue(3);
        for (const scan::ChannelReading& r : w.model().readings()) {
            QCOMPARE(r.Last, qint16(0));
            QCOMPARE(r.Peak, qint16(0));
            QCOMPARE(r.Sum, 0);
            QCOMPARE(r.Count, 0);
        }
        const QImage& image = w.frDisplay->renderer().image();
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                drawn += image.pixelColor(x, y) == w.activeColors().Last;
        QCOMPARE(drawn, 0);
    }

    void rebuiltGroupBoxesTakeTheCheckedStateOfTheFirst_data() {
        QTest::addColumn<bool>("firstChecked");
        QTest::newRow("first checked, one other unchecked") << true;
        QTest::newRow("first unchecked, another checked") << false;
    }
    void rebuiltGroupBoxesTakeTheCheckedStateOfTheFirst() {
        QFETCH(bool, firstChecked);
        frmSpecAn& w = load();
        setLimits(w, 1, 1);
        w.UpdateChannelReading(Chan, -50, 0, 0, false);
        if (firstChecked) {
            w.chkChGroup[4]->click();
            QVERIFY(!w.chkChGroup[4]->isChecked());
        } else {
            w.chkChGroup[0]->click();
            QVERIFY(!w.chkChGroup[0]->isChecked());
            QVERIFY(w.chkChGroup[4]->isChecked());
        }
        w.udFLLimit->setValue(3);
        QCOMPARE(w.chkChGroup.size(), 8);
        for (int i = 1; i < w.chkChGroup.size(); ++i)
            QCOMPARE(w.chkChGroup[i]->isChecked(), firstChecked);
        QCOMPARE(w.chkChGroup[0]->text(), QStringLiteral("Grp 1"));
        QCOMPARE(w.chkChGroup[7]->text(), QStringLiteral("Grp 8"));
    }

    void lowBandBoxesComeBackUncheckedThenChecked() {
        frmSpecAn& w = load();
        w.udFLLimit->setValue(1);
        QVERIFY(w.chkLB1->isVisible() && w.chkLB1->isChecked());
        QVERIFY(w.chkLB2->isVisible() && w.chkLB2->isChecked());

        w.udFLLimit->setValue(3);
        QCOMPARE(w.txtFLLimit->text(), QStringLiteral("902.2"));
        QVERIFY(!w.chkLB1->isVisible() && !w.chkLB1->isChecked());
        QVERIFY(!w.chkLB2->isVisible() && !w.chkLB2->isChecked());

        w.udFLLimit->setValue(2);
        QCOMPARE(w.txtFLLimit->text(), QStringLiteral("899.0"));
        QVERIFY(!w.chkLB1->isVisible());
        QVERIFY(w.chkLB2->isVisible());
        QVERIFY(!w.chkLB2->isChecked());
        QCOMPARE(twLeft(w.chkLB2), twLeft(w.frDisplay));

        w.udFLLimit->setValue(1);
        QCOMPARE(w.txtFLLimit->text(), QStringLiteral("895.8"));
        QVERIFY(w.chkLB1->isVisible() && w.chkLB1->isChecked());
        QVERIFY(w.chkLB2->isVisible() && w.chkLB2->isChecked());
        QCOMPARE(twLeft(w.chkLB2), twLeft(w.frDisplay) + w.GroupWidth);
        w.udFULimit->setValue(3);
        QCOMPARE(w.txtFULimit->text(), QStringLiteral("934.0"));
    }

    void levelLimitsSetDivisionsLabelsAndScale_data() {
        QTest::addColumn<int>("upper");
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("divisions");
        QTest::addColumn<QStringList>("captions");
        QStringList start;
        for (int level = -45; level >= -115; level -= 5)
            start << QString::number(level);
        QStringList narrow;
        for (int level = -40; level >= -100; level -= 5)
            narrow << QString::number(level);
        QTest::newRow("start values -40 / -120") << -40 << -120 << 16 << start;
        QTest::newRow("-35 / -105") << -35 << -105 << 14 << narrow;
        QTest::newRow("-100 / -105: one division") << -100 << -105 << 1 << QStringList();
    }
    void levelLimitsSetDivisionsLabelsAndScale() {
        QFETCH(int, upper);
        QFETCH(int, lower);
        QFETCH(int, divisions);
        QFETCH(QStringList, captions);
        frmSpecAn& w = load();
        w.udULimit->setValue(upper);
        w.udLLimit->setValue(lower);
        QCOMPARE(w.txtULimit->text(), QString::number(upper));
        QCOMPARE(w.txtLLimit->text(), QString::number(lower));
        QCOMPARE(w.LevelDivisions, divisions);
        QStringList shown;
        const int spacing = qRound(double(twHeight(w.frDisplay)) / divisions);
        for (int i = 1; i < w.lblDBM.size(); ++i) {
            QLabel* label = w.lblDBM[i];
            QVERIFY(label->isVisible());
            shown << label->text();
            // Each label ends 90 twips left of the plot, centred on its 5 dB marker.
            QCOMPARE(twRight(label), twLeft(w.frDisplay) - 90);
            const int centre = twTop(label) + twHeight(label) / 2;
            QVERIFY(qAbs(centre - (twTop(w.frDisplay) + spacing * i)) <= 1);
        }
        QCOMPARE(shown, captions);
        QVERIFY(!w.lblDBM[0]->isVisible());
        QCOMPARE(w.TwipsPerDb, float(twHeight(w.frDisplay)) / float(-lower + upper));
    }

    void liveLastBarFillsItsSlotDownFromItsLevel_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("full");
        QTest::newRow("at the upper limit") << -40 << true;
        QTest::newRow("at the lower limit") << -120 << false;
    }
    void liveLastBarFillsItsSlotDownFromItsLevel() {
        QFETCH(int, level);
        QFETCH(bool, full);
        frmSpecAn& w = load();
        w.chkShowPeaks->setChecked(false);
        w.chkShowAverages->setChecked(false);
        w.UpdateChannelReading(Chan, level, 0, 0, false);
        const display::SlotColumns bar = barColumns(w, Chan);
        QVERIFY(bar.Right > bar.Left);
        const QColor expected = full ? w.activeColors().Last : w.activeColors().Back;
        QVERIFY(w.activeColors().Last != w.activeColors().Back);
        for (int x = bar.Left; x < bar.Right; ++x)
            QCOMPARE(rowsOf(w, x, expected), allRows(w));
    }

    void pausedDisplayKeepsThePictureButStillDrawsSkippedChannels() {
        frmSpecAn& w = load();
        w.UpdateChannelReading(Chan + 1, -40, 0, 0, false);
        w.UpdateChannelReading(Chan + 2, -60, 0, 0, false);
        w.cmdPauseTest_Click();
        QCOMPARE(w.cmdPauseTest->text(), QStringLiteral("Resume"));
        QVERIFY(!w.displayIsLive());

        const QImage before = w.frDisplay->renderer().image().copy();
        w.UpdateChannelReading(Chan, -45, 0, 0, false);
        QCOMPARE(w.model().reading(Chan).Last, qint16(45));
        QCOMPARE(w.model().reading(Chan).Count, 1);
        QVERIFY(w.frDisplay->renderer().image() == before);

        // A skipped channel is drawn empty, paused or not.
        w.UpdateChannelReading(Chan + 1, 120, 121, 121, true);
        const display::SlotColumns bar = barColumns(w, Chan + 1);
        for (int x = bar.Left; x < bar.Right; ++x)
            QCOMPARE(rowsOf(w, x, w.activeColors().Back), allRows(w));
        QCOMPARE(w.model().reading(Chan + 1).Last, qint16(40));

        w.cmdPauseTest_Click();
        QCOMPARE(w.cmdPauseTest->text(), QStringLiteral("Pause"));
        QVERIFY(w.displayIsLive());
    }

    void lineModeJoinsNeighbouringSlotCentres() {
        frmSpecAn& w = load();
        w.chkShowPeaks->setChecked(false);
        w.chkShowAverages->setChecked(false);
        w.chkLine->setChecked(true);
        const QColor last = w.activeColors().Last;
        w.UpdateChannelReading(Chan, -60, 0, 0, false);
        w.UpdateChannelReading(Chan + 1, -100, 0, 0, false);

        // From the centre of the first slot at -60 dBm to the centre of the next at -100 dBm.
        const int slot = display::slotOfChannel(Chan, w.LowBandChannels);
        const double x0 = (w.ChanWidth * slot + w.ChanWidth / 2.0) / Px;
        const double x1 = (w.ChanWidth * (slot + 1) + w.ChanWidth / 2.0) / Px;
        const double y0 = w.TwipsPerDb * 20.0 / Px;
        const double y1 = w.TwipsPerDb * 60.0 / Px;
        QVERIFY(y1 - y0 > 50);
        for (int y = qCeil(y0) + 1; y < qFloor(y1); ++y) {
            const double x = x0 + (x1 - x0) * (y - y0) / (y1 - y0);
            bool onTrace = false;
            for (int dx = -1; dx <= 1; ++dx)
                onTrace = onTrace || pixelAt(w, qRound(x) + dx, y) == last;
            QVERIFY2(onTrace, qPrintable(QStringLiteral("no trace at row %1").arg(y)));
        }
        // Beside the segment the slot shows the background.
        QCOMPARE(pixelAt(w, qRound(x1) + 3, qRound((y0 + y1) / 2)), w.activeColors().Back);
    }

    void withoutStoredColoursBarsAreBlackRedBlueAndTheLegendShowsThem() {
        frmSpecAn& w = load();
        QCOMPARE(settings::IniFile(iniPath()).ReadIni(Colors, QStringLiteral("BLast")),
                 settings::NotSet);
        const display::ActiveColors& colors = w.activeColors();
        QCOMPARE(colors.Last, QColor(0, 0, 0));
        QCOMPARE(colors.Peak, QColor(255, 0, 0));
        QCOMPARE(colors.Average, QColor(0, 0, 255));
        QCOMPARE(colors.Back, display::toQColor(display::GrayTextColor, w.frDisplay->palette()));
        QCOMPARE(w.clrPickerLast->value(), 0);
        QCOMPARE(w.clrPickerPeak->value(), 255);
        QCOMPARE(w.clrPickerAverage->value(), 16711680);
        QCOMPARE(w.clrPickerBackBox->value(), display::GrayTextColor);
        QCOMPARE(w.frDisplay->renderer().image().pixelColor(2, 2), colors.Back);
    }

    void storedBarPeakColourIsGreenWhileLineModeKeepsRed() {
        writeIni(Colors, QStringLiteral("BPeak"), QStringLiteral("65280"));
        frmSpecAn& w = load();
        const QColor green(0, 255, 0);
        const QColor red(255, 0, 0);
        QCOMPARE(w.clrPickerPeak->value(), 65280);
        w.chkShowAverages->setChecked(false);
        w.UpdateChannelReading(Chan, -80, 0, 0, false);
        const display::SlotColumns bar = barColumns(w, Chan);
        const QList<int> peakRows = rowsOf(w, bar.Left, green);
        QCOMPARE(peakRows.size(), 2);
        QCOMPARE(peakRows[1], peakRows[0] + 1);
        QVERIFY(rowsOf(w, bar.Left, red).isEmpty());

        w.chkLine->setChecked(true);
        QCOMPARE(w.activeColors().Peak, red);
        QCOMPARE(w.clrPickerPeak->value(), 255);
        // Level and peak coincide: the peak trace is drawn last, in red, over the last trace.
        w.UpdateChannelReading(Chan, -80, 0, 0, false);
        w.UpdateChannelReading(Chan + 1, -80, 0, 0, false);
        const int slot = display::slotOfChannel(Chan, w.LowBandChannels);
        const int x = qRound((w.ChanWidth * (slot + 1.0)) / Px);
        const QList<int> redRows = rowsOf(w, x, red);
        QCOMPARE(redRows.size(), 1);
        QVERIFY(rowsOf(w, x, green).isEmpty());
    }

    void paletteOkWritesTheLineKeysAndEnablesTheWindowAgain() {
        frmSpecAn& w = load();
        QVERIFY(QMetaObject::invokeMethod(&w, "mnuDisplayColor_Click"));
        display::frmColorPalette* palette = openPalette();
        QVERIFY(palette);
        QVERIFY(!w.isEnabled());
        QVERIFY(palette->optBar->isChecked());

        palette->optLine->click();
        QVERIFY(palette->optLine->isChecked());
        palette->ColorPicker1->setValue(65280);
        QPointer<display::frmColorPalette> guard(palette);
        palette->cmdApplyColor->click();

        QVERIFY(w.isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), 2000);
        const settings::IniFile ini(iniPath());
        for (const char* role : {"Back", "Last", "Peak", "Average"}) {
            QVERIFY(ini.ReadIni(Colors, QLatin1Char('L') + QLatin1String(role)) !=
                    settings::NotSet);
            QCOMPARE(ini.ReadIni(Colors, QLatin1Char('B') + QLatin1String(role)), settings::NotSet);
        }
        QCOMPARE(ini.ReadIni(Colors, QStringLiteral("LLast")), QStringLiteral("65280"));
        QCOMPARE(ini.ReadIni(Colors, QStringLiteral("LPeak")), QStringLiteral("255"));
        // The bar colours in use stay; the new line colour shows once Line is checked.
        QCOMPARE(w.activeColors().Last, QColor(0, 0, 0));
        w.chkLine->setChecked(true);
        QCOMPARE(w.activeColors().Last, QColor(0, 255, 0));
    }

    void paletteCancelWritesNothingAndEnablesTheWindowAgain() {
        frmSpecAn& w = load();
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();

        w.ShowColorPalette();
        display::frmColorPalette* palette = openPalette();
        QVERIFY(palette);
        QVERIFY(!w.isEnabled());
        palette->ColorPicker1->setValue(65280);
        palette->ColorPicker4->setValue(255);
        palette->cmdCancelColor->click();

        QVERIFY(w.isEnabled());
        QVERIFY(openPalette() == nullptr);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QCOMPARE(w.activeColors().Last, QColor(0, 0, 0));
    }

    void longerCountCaptionPushesElapsedRightAndDisplayTimeStaysRightAligned() {
        frmSpecAn& w = load();
        w.setStatusCaption(w.lblDisplayTime, QStringLiteral("06-01-2024  10:00:00"));
        w.setStatusCaption(w.lblCount, QStringLiteral("Count: 1"));
        const int elapsedLeft = twLeft(w.lblElapsed);
        const int countWidth = twWidth(w.lblCount);
        QCOMPARE(twRight(w.lblDisplayTime), twWidth(w.frTextDisplay) - 60);

        w.setStatusCaption(w.lblCount, QStringLiteral("Count: 12 (130)"));
        const int grown = twWidth(w.lblCount) - countWidth;
        QVERIFY(grown > 0);
        QCOMPARE(twLeft(w.lblElapsed), elapsedLeft + grown);
        QVERIFY(w.lblElapsed->x() > w.lblCount->x() + w.lblCount->width());
        QCOMPARE(twRight(w.lblDisplayTime), twWidth(w.frTextDisplay) - 60);
    }

    void clockTickWritesDateAndTimeAndKeepsAStripOfTheSameWidth() {
        frmSpecAn& w = load();
        const QDateTime before = QDateTime::currentDateTime().addMSecs(-1000);
        QVERIFY(QMetaObject::invokeMethod(&w, "timeTimer_Timer"));
        const QString text = w.lblCurrentTime->text();
        const QDateTime shown = QDateTime::fromString(text, QStringLiteral("MM-dd-yyyy  hh:mm:ss"));
        QVERIFY2(shown.isValid(), qPrintable(text));
        QVERIFY(shown >= before && shown <= QDateTime::currentDateTime());

        const int laidOut = twLeft(w.lblStatus);
        // Moved by hand: only a new layout would put it back.
        app::setTwLeft(w.lblStatus, laidOut + 600);
        QVERIFY(QMetaObject::invokeMethod(&w, "timeTimer_Timer"));
        QCOMPARE(twLeft(w.lblStatus), laidOut + 600);
        // A caption of another width lays the strip out again.
        w.setStatusCaption(w.lblCount, QStringLiteral("Count: 12345"));
        QCOMPARE(twLeft(w.lblStatus), laidOut);
    }

    void attenuationBoxBlinksOnNineTicksWhileIdle_data() {
        QTest::addColumn<bool>("scanActive");
        QTest::newRow("idle") << false;
        QTest::newRow("scan running") << true;
    }
    void attenuationBoxBlinksOnNineTicksWhileIdle() {
        QFETCH(bool, scanActive);
        frmSpecAn& w = load();
        w.udAtten->setValue(10);
        QCOMPARE(w.txtAtten->text(), QStringLiteral("10"));
        app::modMain().ScanActive = scanActive;
        QString pattern;
        for (int tick = 1; tick <= 12; ++tick) {
            QVERIFY(QMetaObject::invokeMethod(&w, "timeTimer_Timer"));
            pattern += w.txtAtten->isEnabled() ? QLatin1Char('E') : QLatin1Char('-');
        }
        QCOMPARE(pattern,
                 scanActive ? QStringLiteral("EEEEEEEEEEEE") : QStringLiteral("-E-E-E-E-EEE"));
    }

    void lastCheckedGroupBoxCannotBeUnchecked_data() {
        QTest::addColumn<int>("kept");
        QTest::newRow("Grp 1") << 0;
        QTest::newRow("Grp 6") << 5;
    }
    void lastCheckedGroupBoxCannotBeUnchecked() {
        QFETCH(int, kept);
        frmSpecAn& w = load();
        for (int i = 0; i < w.chkChGroup.size(); ++i)
            if (i != kept)
                w.chkChGroup[i]->click();
        QVERIFY(w.chkChGroup[kept]->isChecked());
        w.chkChGroup[kept]->click();
        QVERIFY(w.chkChGroup[kept]->isChecked());
        for (int i = 0; i < w.chkChGroup.size(); ++i)
            QCOMPARE(w.chkChGroup[i]->isChecked(), i == kept);
    }

    void spectrumAndChannelAlwaysHoldOppositeStates() {
        frmSpecAn& w = load();
        QVERIFY(w.chkSpectrum->isChecked());
        QVERIFY(!w.chkChannel->isChecked());
        QVERIFY(!w.udChanNum->isEnabled());

        w.chkChannel->click();
        QVERIFY(w.chkChannel->isChecked());
        QVERIFY(!w.chkSpectrum->isChecked());
        QVERIFY(w.udChanNum->isEnabled());
        QVERIFY(w.txtUDChanNum->isEnabled());

        w.chkSpectrum->click();
        QVERIFY(w.chkSpectrum->isChecked());
        QVERIFY(!w.chkChannel->isChecked());
        QVERIFY(!w.udChanNum->isEnabled());
        QVERIFY(!w.txtUDChanNum->isEnabled());
    }

    void resetAveragesPressedTwiceIsOnePendingReset() {
        frmSpecAn& w = load();
        w.UpdateChannelReading(Chan, -80, 0, 0, false);
        QTest::mouseClick(w.cmdClearAverages, Qt::LeftButton);
        QVERIFY(!w.cmdClearAverages->isEnabled());
        QTest::mouseClick(w.cmdClearAverages, Qt::LeftButton);
        QVERIFY(w.ClearAveragesPending);
        QVERIFY(!w.cmdClearAverages->isEnabled());
        // Nothing is reset at the click.
        QCOMPARE(w.model().reading(Chan).Count, 1);

        w.ResetAverages();
        QVERIFY(!w.ClearAveragesPending);
        QVERIFY(w.cmdClearAverages->isEnabled());
        QCOMPARE(w.model().reading(Chan).Sum, 0);
        QCOMPARE(w.model().reading(Chan).Count, 0);
        QCOMPARE(w.model().reading(Chan).Last, qint16(80));
    }

    void limitBoxHandsFocusToThePlotAndUndoesKeys_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::newRow("txtULimit") << QStringLiteral("txtULimit") << QStringLiteral("-40");
        QTest::newRow("txtLLimit") << QStringLiteral("txtLLimit") << QStringLiteral("-120");
        QTest::newRow("txtAtten") << QStringLiteral("txtAtten") << QStringLiteral("0");
        QTest::newRow("txtFLLimit") << QStringLiteral("txtFLLimit") << QStringLiteral("902.2");
        QTest::newRow("txtFULimit") << QStringLiteral("txtFULimit") << QStringLiteral("927.6");
    }
    void limitBoxHandsFocusToThePlotAndUndoesKeys() {
        QFETCH(QString, box);
        QFETCH(QString, text);
        frmSpecAn& w = load();
        auto* edit = w.findChild<QLineEdit*>(box);
        QVERIFY(edit);

        // A key released in the box rewrites its text from its up-down.
        edit->setText(QStringLiteral("7"));
        QTest::keyClick(edit, Qt::Key_5);
        QCOMPARE(edit->text(), text);

        QApplication::setActiveWindow(&w);
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w, 2000))
            QSKIP("the platform does not activate windows");
        edit->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY_WITH_TIMEOUT(w.frDisplay->hasFocus(), 2000);
        QVERIFY(!edit->hasFocus());
    }

    void waitRunsPendingEventsAndLastsTheScaledTime_data() {
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("requested");
        QTest::newRow("real time, 50 ms") << 1.0 << 50;
        QTest::newRow("a tenth of 500 ms") << 0.1 << 500;
    }
    void waitRunsPendingEventsAndLastsTheScaledTime() {
        QFETCH(double, scale);
        QFETCH(int, requested);
        app::setTimeScale(scale);
        bool ran = false;
        QMetaObject::invokeMethod(
            this, [&ran] { ran = true; }, Qt::QueuedConnection);
        QElapsedTimer clock;
        clock.start();
        app::Wait(requested);
        const qint64 elapsed = clock.elapsed();
        app::setTimeScale(1);
        QVERIFY(ran);
        QVERIFY2(elapsed >= 50, qPrintable(QString::number(elapsed)));
        QVERIFY2(elapsed < 400, qPrintable(QString::number(elapsed)));
    }

    void waitOfNothingReturnsAtOnce_data() {
        QTest::addColumn<int>("requested");
        QTest::newRow("0") << 0;
        QTest::newRow("negative") << -200;
    }
    void waitOfNothingReturnsAtOnce() {
        QFETCH(int, requested);
        bool ran = false;
        QMetaObject::invokeMethod(
            this, [&ran] { ran = true; }, Qt::QueuedConnection);
        QElapsedTimer clock;
        clock.start();
        app::Wait(requested);
        QVERIFY(clock.elapsed() < 50);
        QVERIFY(!ran);
        QTRY_VERIFY_WITH_TIMEOUT(ran, 1000);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
