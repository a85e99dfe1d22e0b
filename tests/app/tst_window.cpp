// SPDX-License-Identifier: MIT
// The main window through its real widgets, shown offscreen, with the analyser in a folder of its
// own (live_program.h): the plot side (the rebuilds of the frequency axis, the drawing of
// readings, the colours and the colour palette, the group boxes, the attenuation box, and Wait);
// getting scans back (the saved-scan list, deleting, playback of recorded loops, the channel
// readout, the waterfall and the colour palette); the settings (what survives a restart, stored
// values no user could have typed, the named sets saved and restored through their dialog, a
// settings file that cannot be written); and the program's start (the splash loads the main
// window behind itself and hands over to it, the same window as About box, and what the start
// says of a serial device the user may not open, and the visual-styles manifest: its file name,
// the system names it is written for, and that it is written once, as well-formed XML, and only
// where the system asks for it).
#include "app/frm_scan_restore.h"
#include "app/frm_splash.h"
#include "app/manifest.h"
#include "app/program_start.h"
#include "core/time_scale.h"
#include "display/color_swatch.h"
#include "display/freq_axis.h"
#include "display/frm_color_palette.h"
#include "display/frm_waterfall.h"
#include "display/plot_picture.h"
#include "display/plot_view.h"
#include "display/up_down.h"
#include "display/waterfall_view.h"
#include "display/widget_twips.h"
#include "live_program.h"
#include "recording/scan_file.h"
#include "recording/scan_library.h"
#include "settings/frm_dlg_settings.h"
#include "settings/window_settings.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scan_fixture.h"

#include <QXmlStreamReader>
#include <QtTest>
#include <QtWidgets>

#include <sys/stat.h>
#include <unistd.h>

using namespace app;
using namespace core;
using namespace display;
using settings::IniFile;
using settings::NotSet;
using testing::control;
using testing::LiveProgram;

namespace {

constexpr int Bound = 5000;

// A loop whose measured channels (902.2 - 927.6 MHz) read `level` and the rest are out of range.
recording::ScanRecord loop(qint32 n, int level, const QString& start, int attenuation = 0) {
    recording::ScanRecord record{n, attenuation, start.toLatin1(), {}, {}, {}};
    record.LastCodes = record.PeakCodes = record.AverageCodes = testing::startupLoopCodes(level);
    return record;
}

// Takes the URLs the program asks the desktop to open.
class UrlsOpened : public QObject {
    Q_OBJECT

public slots:
    void open(const QUrl& url) { urls << url; }

public:
    QList<QUrl> urls;
};

QString startOf(int loop) {
    return QStringLiteral("06-01-2024  10:%1:00").arg(loop, 2, 10, QLatin1Char('0'));
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<LiveProgram> m_program;

    // A channel of "Grp 1" whose slot lies clear of the group separators at every limit setting.
    static constexpr int Chan = 40;
    const QString Colors = display::DisplayColorsSection;

    const QImage& image() const {
        return control<display::PlotView>(*m_program->window, "frDisplay")->renderer().image();
    }
    display::SlotColumns bar(int chan) const {
        const frmSpecAn& w = *m_program->window;
        return display::slotColumns(display::slotOfChannel(chan, w.plotGeometry().LowBandChannels),
                                    w.plotGeometry().ChanWidth, modMain().BarGap);
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

    // A live reading goes to the engine, and comes back to be drawn.
    void storeLive(int chan, int dBm) {
        frmSpecAn& w = *m_program->window;
        QSignalSpy stored(&w.engine(), &engine::EngineThread::channelStored);
        w.UpdateChannelReading(chan, dBm, 0, 0, false);
        QTRY_VERIFY_WITH_TIMEOUT(!stored.isEmpty(), Bound);
    }

    // Start-up with the clock stopped: tests tick it by hand.
    frmSpecAn& loadStill() {
        frmSpecAn& w = m_program->load();
        control<QTimer>(w, "timeTimer")->stop();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(&w)); }();
        return w;
    }

    frmSpecAn* m_window = nullptr;

    QString dataFile(const QString& name) const { return m_program->dataFile(name); }

    void writeScan(const QString& name, const QList<recording::ScanRecord>& records) {
        recording::ScanFile file;
        QVERIFY(file.create(dataFile(name)));
        for (const recording::ScanRecord& record : records)
            QVERIFY(file.writeRecord(record.LoopNumber, record));
    }
    // Three loops at -90, -80 and -70 dBm, a minute apart.
    void writeThreeLoops(const QString& name) {
        writeScan(name,
                  {loop(1, 90, startOf(0)), loop(2, 80, startOf(1)), loop(3, 70, startOf(2))});
    }

    frmSpecAn& load() {
        m_window = &m_program->load();
        m_program->messages.clear(); // no saved port: start-up says so
        return *m_window;
    }
    frmScanRestore& openList() {
        control<QAction>(*m_window, "mnuOpenSavedScan")->trigger();
        frmScanRestore* list = m_window->scanRestoreDialog();
        [&] { QVERIFY(list && list->isVisible()); }();
        return *list;
    }
    void open(const QString& name) {
        frmScanRestore& list = openList();
        QListWidgetItem* item = nullptr;
        for (int row = 0; row < list.lstScans->count(); ++row)
            if (frmScanRestore::scanName(list.lstScans->item(row)) == name)
                item = list.lstScans->item(row);
        QVERIFY(item);
        list.lstScans->setCurrentItem(item);
        QSignalSpy opened(&m_window->engine(), &engine::EngineThread::scanFileOpened);
        list.cmdOpenScan->click();
        QVERIFY(!m_window->scanRestoreDialog());
        QTRY_VERIFY_WITH_TIMEOUT(!opened.isEmpty(), Bound);
    }
    QStringList listed() const {
        QStringList names;
        for (int row = 0; row < m_window->scanRestoreDialog()->lstScans->count(); ++row)
            names << frmScanRestore::scanName(m_window->scanRestoreDialog()->lstScans->item(row));
        return names;
    }
    // Whether the channel's slot shows anything but the background.
    bool slotDrawn(int chan) const {
        const QColor back = m_program->window->activeColors().Back;
        for (int x = std::max(bar(chan).Left, 0); x < std::min(bar(chan).Right, image().width());
             ++x)
            if (rowsOf(x, back).size() != image().height())
                return true;
        return false;
    }
    // The pointer moves to, or a button is released at, a point of the plot in twips (whole
    // pixels: multiples of 15).
    void mouseAt(QEvent::Type type, int x, int y, Qt::MouseButton button = Qt::NoButton) {
        display::PlotView* plot = control<display::PlotView>(*m_window, "frDisplay");
        const QPointF at = plot->contentsRect().topLeft() + QPointF(x / 15, y / 15);
        QMouseEvent event(type, at, plot->mapToGlobal(at), button,
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::MouseButtons(button),
                          Qt::NoModifier);
        QApplication::sendEvent(plot, &event);
    }
    QString readoutAt(int chan) {
        const int slot = display::slotOfChannel(chan, m_window->plotGeometry().LowBandChannels);
        mouseAt(
            QEvent::MouseMove,
            (slot * m_window->plotGeometry().ChanWidth + m_window->plotGeometry().ChanWidth / 2) /
                15 * 15,
            600);
        return control<QPlainTextEdit>(*m_window, "txtStatBox")
            ->toPlainText()
            .replace('\n', QStringLiteral("\r\n"));
    }

    // The controls of the window the user sees, by name, and their places.
    static QMap<QString, QRect> placesOf(const frmSpecAn& w) {
        QMap<QString, QRect> places;
        for (const QWidget* c : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (c->isVisible())
                places.insert(c->objectName(), c->geometry());
        return places;
    }
    // Whether two controls cover each other: more than a shared border line, and neither lying
    // on the other (an up-down over its text box, the scroll bar in its frame).
    static bool overlap(const QRect& a, const QRect& b) {
        const QRect both = a & b;
        return both.width() > 1 && both.height() > 1 && both != a && both != b;
    }

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
             {w.view().lineMode(), w.view().showPeaks(), w.view().showAverages(),
              control<QCheckBox>(w, "chkSpectrum")->isChecked(),
              control<QCheckBox>(w, "chkChannel")->isChecked(), w.view().autoSave(),
              core::modMain().AutoStartScanOn, control<QWidget>(w, "picLegend")->isVisible(),
              control<QAction>(w, "mnuShowLegend")->isChecked(), w.view().runForever()})
            flags += on ? '1' : '0';
        return QStringLiteral("%1 %2 %3-%4 %5 %6 %7 %8")
            .arg(w.view().upperLevel())
            .arg(w.view().lowerLevel())
            .arg(control<QLineEdit>(w, "txtFLLimit")->text(),
                 control<QLineEdit>(w, "txtFULimit")->text())
            .arg(w.view().lowLimitPosition())
            .arg(w.view().highLimitPosition())
            .arg(control<QLineEdit>(w, "txtULimit")->text(), flags);
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
    void init() {
        core::setTimeScale(1);
        m_program = std::make_unique<LiveProgram>();
    }
    void cleanup() { m_program.reset(); }

    void lowLimitRebuildClearsReadingsAndRecreatesTheBoxes_data() {
        QTest::addColumn<bool>("firstChecked");
        QTest::newRow("Grp 1 checked, Grp 5 unchecked") << true;
        QTest::newRow("Grp 1 unchecked, Grp 5 checked") << false;
    }
    void lowLimitRebuildClearsReadingsAndRecreatesTheBoxes() {
        QFETCH(bool, firstChecked);
        frmSpecAn& w = loadStill();
        w.view().setLowLimitPosition(1);
        storeLive(Chan, -50);
        storeLive(3, -70);
        QVERIFY(!rowsOf(bar(Chan).Left, w.activeColors().Last).isEmpty());
        w.view().setGroupChecked(firstChecked ? 4 : 0, false);

        QSignalSpy cleared(&w.engine(), &engine::EngineThread::readingsReplaced);
        w.view().setLowLimitPosition(3);
        QTRY_VERIFY_WITH_TIMEOUT(!cleared.isEmpty(), Bound);
        for (const scan::ChannelReading& r : w.readings())
            QVERIFY(r.Last == 0 && r.Peak == 0 && r.Sum == 0 && r.Count == 0);
        for (int x = 0; x < image().width(); ++x)
            QVERIFY(rowsOf(x, w.activeColors().Last).isEmpty());
        // The group boxes take the state of "Grp 1", which stays checked when no other is; the
        // last checked box cannot be unchecked.
        QString groups;
        for (int g = 0; g < w.view().groupCount(); ++g)
            groups += w.view().groupBoxes().group[g] ? '1' : '0';
        QCOMPARE(groups, firstChecked ? "11111111" : "10000000");
        for (int g = 0; g < w.view().groupCount(); ++g)
            QCOMPARE(control<QCheckBox>(w, QStringLiteral("chkChGroup_%1").arg(g))->isChecked(),
                     groups[g] == '1');
        auto* first = control<QCheckBox>(w, "chkChGroup_0");
        first->click();
        QCOMPARE(first->isChecked(), !firstChecked);
        QCOMPARE(w.view().groupBoxes().group[0], !firstChecked);
        // The low band boxes (shown, checked) come back unchecked, then checked.
        const auto state = [](QCheckBox* box) {
            return QString("%1%2").arg(box->isVisible()).arg(box->isChecked());
        };
        QCOMPARE(state(control<QCheckBox>(w, "chkLB1")) + state(control<QCheckBox>(w, "chkLB2")),
                 "0000");
        w.view().setLowLimitPosition(2);
        QCOMPARE(state(control<QCheckBox>(w, "chkLB1")) + state(control<QCheckBox>(w, "chkLB2")),
                 "0010");
        w.view().setLowLimitPosition(1);
        QCOMPARE(state(control<QCheckBox>(w, "chkLB1")) + state(control<QCheckBox>(w, "chkLB2")),
                 "1111");
    }

    // A bar at the upper limit fills its slot, one at the lower limit leaves the background, and
    // the Line box draws a trace instead (its geometry is the renderer's to check). A paused
    // display keeps its picture, through a resize too.
    void barsFillFromTheirLevelAndAPausedDisplayKeepsItsPicture() {
        frmSpecAn& w = loadStill();
        const QColor last = w.activeColors().Last;
        w.view().setShowPeaks(false);
        w.view().setShowAverages(false);
        w.view().setLineMode(true);
        storeLive(Chan + 1, -40);
        QVERIFY(!rowsOf(bar(Chan + 1).Left, last).isEmpty() && !slotIs(Chan + 1, last));
        w.view().setLineMode(false);
        storeLive(Chan + 1, -40);
        storeLive(Chan + 2, -120);
        QVERIFY(slotIs(Chan + 1, last));
        QVERIFY(slotIs(Chan + 2, w.activeColors().Back));

        w.view().togglePause();
        const QImage before = image().copy();
        storeLive(Chan, -45);
        QCOMPARE(w.readings()[Chan].Last, qint16(45));
        QVERIFY(image() == before);
        // A resize draws the picture again as it was when paused.
        w.resize(900, 400);
        QTRY_COMPARE_WITH_TIMEOUT(image().width() > before.width(), true, Bound);
        QVERIFY(slotIs(Chan + 1, last) && slotIs(Chan, w.activeColors().Back));
        // A skipped channel is drawn empty, paused or not, and keeps its reading.
        w.UpdateChannelReading(Chan + 1, 120, 121, 121, true);
        QVERIFY(slotIs(Chan + 1, w.activeColors().Back));
        QCOMPARE(w.readings()[Chan + 1].Last, qint16(40));
    }

    // A slot is in the picture as soon as the picture is read. A frame of readings is on the screen
    // when its batch has been delivered, not a turn of the event loop later, once a frame has
    // passed since the last repaint; a slot drawn sooner reaches the screen by itself, also the
    // last one drawn, with nothing after it.
    void drawnSlotsReachTheScreenAsTheirFrameIsDelivered() {
        frmSpecAn& w = loadStill();
        auto* plot = control<display::PlotView>(w, "frDisplay");
        struct PaintedRegion : QObject {
            QRegion region;
            QElapsedTimer sinceLast;
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() == QEvent::Paint) {
                    region += static_cast<QPaintEvent*>(event)->region();
                    sinceLast.start();
                }
                return false;
            }
        } painted;
        plot->installEventFilter(&painted);
        const auto slotOnScreen = [&](int chan) {
            return painted.region.contains(QRect(bar(chan).Left, 0, 1, image().height())
                                               .translated(plot->contentsRect().topLeft()));
        };
        painted.sinceLast.start();
        QTRY_VERIFY_WITH_TIMEOUT(painted.sinceLast.hasExpired(display::PlotView::RepaintIntervalMs),
                                 Bound);
        bool stored = false;
        std::optional<bool> shownOnDelivery;
        const QMetaObject::Connection storing =
            connect(&w.engine(), &engine::EngineThread::channelStored, this,
                    [&](int chan) { stored = stored || chan == Chan; });
        const QMetaObject::Connection delivered =
            connect(&w.engine(), &engine::EngineThread::batchDelivered, this, [&] {
                if (stored && !shownOnDelivery)
                    shownOnDelivery = slotOnScreen(Chan);
            });
        storeLive(Chan, -40);
        QTRY_VERIFY_WITH_TIMEOUT(shownOnDelivery.has_value(), Bound);
        disconnect(storing);
        disconnect(delivered);
        QVERIFY(*shownOnDelivery);

        for (const int chan : {Chan + 1, Chan + 2}) {
            storeLive(chan, -40);
            QVERIFY(!rowsOf(bar(chan).Left, w.activeColors().Last).isEmpty());
        }
        QTRY_VERIFY_WITH_TIMEOUT(slotOnScreen(Chan + 2), 5000);
    }

    // The plot exposed in pieces, several to a row (around controls lying over it), shows in each
    // piece what the whole plot shows there, and leaves the rest alone.
    void thePlotExposedInPiecesShowsWhatTheWholePlotShows() {
        frmSpecAn& w = loadStill();
        auto* plot = control<display::PlotView>(w, "frDisplay");
        for (int chan = Chan; chan < Chan + 8; ++chan)
            storeLive(chan, -40 - 5 * (chan - Chan));
        const QRect all = plot->rect();
        const QRegion pieces = QRegion(all) - QRect(bar(Chan + 2).Left, 10, 40, all.height() - 40) -
                               QRect(bar(Chan + 6).Left, 70, 20, 100);
        QVERIFY(pieces.rectCount() > 3);
        const auto rendered = [&](const QRegion& region) {
            QImage image(all.size(), QImage::Format_RGB32);
            image.fill(Qt::black);
            plot->render(&image, QPoint(), region);
            return image;
        };
        const QImage whole = rendered(all);
        const QImage pieced = rendered(pieces);
        for (int y = 0; y < all.height(); ++y)
            for (int x = 0; x < all.width(); ++x) {
                const QRgb expected =
                    pieces.contains(QPoint(x, y)) ? whole.pixel(x, y) : qRgb(0, 0, 0);
                if (pieced.pixel(x, y) != expected)
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            }
    }

    // The time scroll bar, painted without the raster engine's helper threads, looks as the
    // program's style draws any scroll bar.
    void theTimeScrollBarLooksAsTheStyleDrawsIt() {
        frmSpecAn& w = loadStill();
        auto* time = control<QScrollBar>(w, "scrollTime");
        time->setMaximum(40);
        time->setValue(25);
        QScrollBar plain(Qt::Horizontal);
        plain.setRange(time->minimum(), time->maximum());
        plain.setPageStep(time->pageStep());
        plain.setValue(time->value());
        plain.resize(time->size());
        QVERIFY(time->style() != plain.style());
        QCOMPARE(time->grab().toImage(), plain.grab().toImage());
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
        frmSpecAn& w = loadStill();
        const display::ActiveColors& c = w.activeColors();
        QCOMPARE((QList<int>{control<display::ColorSwatch>(w, "clrPickerLast")->value(),
                             control<display::ColorSwatch>(w, "clrPickerPeak")->value(),
                             control<display::ColorSwatch>(w, "clrPickerAverage")->value(),
                             control<display::ColorSwatch>(w, "clrPickerBackBox")->value()}),
                 (QList<int>{0, 65280, 16711680, display::GrayTextColor}));
        w.view().setShowAverages(false);
        storeLive(Chan, -80);
        const QList<int> peakRows = rowsOf(bar(Chan).Left, Qt::green);
        QCOMPARE(peakRows, (QList<int>{peakRows.value(0), peakRows.value(0) + 1}));

        const QByteArray before = testing::fileBytes(iniPath());
        QVERIFY(QMetaObject::invokeMethod(&w, "mnuDisplayColor_Click"));
        QPointer<display::frmColorPalette> palette = w.findChild<display::frmColorPalette*>();
        QVERIFY(palette && palette->optBar->isChecked() && !w.isEnabled());
        palette->optLine->click();
        palette->ColorPicker1->setValue(65280);
        (ok ? palette->cmdApplyColor : palette->cmdCancelColor)->click();
        QVERIFY(w.isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(palette.isNull(), 2000);
        QCOMPARE(c.Last, QColor(Qt::black));
        QCOMPARE(testing::fileBytes(iniPath()) == before, !ok);
        w.view().setLineMode(true);
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
        frmSpecAn& w = loadStill();
        w.view().setAttenuation(10);
        QString shown;
        for (int tick = 1; tick <= 12; ++tick) {
            QVERIFY(QMetaObject::invokeMethod(&w, "timeTimer_Timer"));
            shown += control<QLineEdit>(w, "txtAtten")->isEnabled() ? 'E' : '-';
        }
        QCOMPARE(shown, "-E-E-E-E-EEE");
    }

    void limitBoxUndoesKeysAndHandsFocusToThePlot() {
        frmSpecAn& w = loadStill();
        // A key released in the box rewrites its text from its up-down.
        control<QLineEdit>(w, "txtULimit")->setText("7");
        QTest::keyClick(control<QLineEdit>(w, "txtULimit"), Qt::Key_5);
        QCOMPARE(control<QLineEdit>(w, "txtULimit")->text(), "-40");
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w, 2000))
            QSKIP("the platform does not activate windows");
        control<QLineEdit>(w, "txtULimit")->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY_WITH_TIMEOUT(control<display::PlotView>(w, "frDisplay")->hasFocus(), 2000);
    }

    // The dialog, owned by the window, lists the saved scans newest first (default names begin
    // with the date) without the recording; which names it lists is the scan files suite's.
    // Deleting asks first and removes exactly the selected files.
    void theListShowsSavedScansNewestFirstAndDeletesOnlyTheSelected() {
        m_program->yesNoAnswer = MsgBoxAnswer::Yes;
        for (const char* name :
             {"2024-06-01_10-00-00.dat", "2024-06-02_08-00-00.dat", "b.dat", "LASTSCAN.DAT"})
            writeThreeLoops(name);
        load();
        frmScanRestore& list = openList();
        QCOMPARE(list.parentWidget(), m_window);
        QVERIFY(!m_window->isEnabled());
        QCOMPARE(listed(),
                 (QStringList{"b.dat", "2024-06-02_08-00-00.dat", "2024-06-01_10-00-00.dat"}));
        // Beside each name: its start, how long it ran and its loops.
        QCOMPARE(list.lstScans->item(0)->text(),
                 QStringLiteral("b.dat   06-01-2024  10:00:00, 2m, 3 loops"));
        for (int row : {0, 2})
            list.lstScans->item(row)->setSelected(true);
        list.mnuDeleteScans->trigger();
        QCOMPARE(m_program->messages.size(), 1);
        QCOMPARE(m_program->messages[0].text,
                 recording::deletionQuestion({"b.dat", "2024-06-01_10-00-00.dat"}));
        QCOMPARE(listed(), QStringList{"2024-06-02_08-00-00.dat"});
        QCOMPARE(m_program->dataFiles(), (QStringList{"2024-06-02_08-00-00.dat", "LASTSCAN.DAT"}));
        list.cmdCancel->click();
        QTRY_VERIFY_WITH_TIMEOUT(m_window->isEnabled(), Bound);
        QVERIFY(m_window->engine().scanFilePath().isEmpty());
    }

    // A scan copied from a colleague, read-only: its first loop in red, the count and elapsed
    // time from the stored times, and every loop reachable.
    void aReadOnlySavedScanPlaysBack() {
        writeThreeLoops("colleague.dat");
        QVERIFY(QFile::setPermissions(dataFile("colleague.dat"), QFile::ReadOwner));
        frmSpecAn& w = load();
        open("colleague.dat");
        QCOMPARE(control<QLineEdit>(w, "txtRestoredScan")->text(), QStringLiteral("colleague.dat"));
        QCOMPARE(control<QScrollBar>(w, "scrollTime")->maximum(), 3);
        QCOMPARE(w.view().shownLoop().LoopNumber, 1);
        QCOMPARE(control<QLabel>(w, "lblStatus")->text(), "Started: " + startOf(0));
        QCOMPARE(control<QLabel>(w, "lblDisplayTime")->palette().color(QPalette::WindowText),
                 RecordedColor);
        QVERIFY(control<QPushButton>(w, "cmdGotoEnd")->isEnabled());
        QVERIFY(slotDrawn(40));
        control<QScrollBar>(w, "scrollTime")->setValue(3);
        QCOMPARE(w.view().shownLoop().LoopNumber, 3);
        QCOMPARE(control<QLabel>(w, "lblCount")->text(), QStringLiteral("Count: 3 (3)"));
        QCOMPARE(control<QLabel>(w, "lblElapsed")->text(), QStringLiteral("Elapsed: 2m "));
        QCOMPARE(control<QLabel>(w, "lblDisplayTime")->text(), startOf(2));
        // The readout shows the recorded loop's codes.
        QCOMPARE(readoutAt(40), QStringLiteral("Freq: 903.8 mHz\r\nLast: -70\r\nPeak: -70\r\n"
                                               "Ave: -70.0"));
    }

    void damagedFilesOpenWithoutACrash_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("loops");
        const QByteArray one = loop(1, 90, startOf(0)).toBytes();
        recording::ScanRecord outOfRange = loop(2, 80, "not a date at all");
        outOfRange.LastCodes[40] = char(250);
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("partial record at the end") << one + QByteArray(100, 'x') << 1;
        QTest::newRow("code 250, garbled start text") << one + outOfRange.toBytes() << 2;
    }
    void damagedFilesOpenWithoutACrash() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, loops);
        QVERIFY(testing::writeFile(dataFile("damaged.dat"), bytes));
        frmSpecAn& w = load();
        open("damaged.dat");
        QVERIFY(m_program->messages.isEmpty());
        if (loops == 0) {
            QVERIFY(!w.engine().status().scanFileWritable);
            QCOMPARE(control<QScrollBar>(w, "scrollTime")->maximum(), 1);
            return;
        }
        QCOMPARE(control<QScrollBar>(w, "scrollTime")->maximum(), loops);
        control<QScrollBar>(w, "scrollTime")->setValue(loops);
        QCOMPARE(w.view().shownLoop().LoopNumber, loops);
        if (loops == 2) {
            // A code past the skip codes is no reading; a start that is no date leaves the
            // elapsed time as it was.
            QVERIFY(!slotDrawn(40));
            QVERIFY(slotDrawn(41));
            QCOMPARE(control<QLabel>(w, "lblElapsed")->text(), QStringLiteral("Elapsed: 0s"));
            QCOMPARE(readoutAt(40), QStringLiteral("Freq: 903.8 mHz\r\nLast: -0\r\nPeak: -80\r\n"
                                                   "Ave: -80.0"));
        }
    }

    // A scan whose first record cannot be read (a file that reports more than it gives) says
    // so, and the loop shown before does not stay on the plot as if it were this scan's.
    void aScanWhoseFirstRecordCannotBeReadLeavesNothingOnThePlot() {
        const QString unreadable = QStringLiteral("/sys/devices/system/cpu/online");
        if (QFileInfo(unreadable).size() < recording::RecordLength)
            QSKIP("no file here reports more bytes than it gives");
        writeThreeLoops("three.dat");
        QVERIFY(QFile::link(unreadable, dataFile("unreadable.dat")));
        frmSpecAn& w = load();
        open("three.dat");
        QVERIFY(slotDrawn(40));
        open("unreadable.dat");
        QTRY_COMPARE_WITH_TIMEOUT(m_program->messagesTitled("Filesystem Error"), 1, Bound);
        QCOMPARE(m_program->messages.last().text, QStringLiteral("Unspecified File I/O Error"));
        QVERIFY(!slotDrawn(40));
        QCOMPARE(control<QScrollBar>(w, "scrollTime")->maximum(), 1);
        QCOMPARE(control<QLabel>(w, "lblCount")->text(), QStringLiteral("Count: 0"));
    }

    // The low band and the channels above 927.6 MHz are drawn only inside the limits; a switched
    // off group reads "DISABLED"; the loop's attenuation shows.
    void aRecordedLoopShowsOnlyTheChannelsInsideTheLimits() {
        recording::ScanRecord record = loop(1, 90, startOf(0), 10);
        QByteArray codes(scan::ChannelCount, char(60));
        codes.replace(48, 16, QByteArray(16, char(scan::GroupOffCode))); // "Grp 2" switched off
        record.LastCodes = record.PeakCodes = record.AverageCodes = codes;
        writeScan("wide.dat", {record, loop(2, 90, startOf(1), 10)});
        frmSpecAn& w = load();
        open("wide.dat");
        QCOMPARE(w.view().attenuation(), 10);
        QCOMPARE(control<QLineEdit>(w, "txtAtten")->text(), QStringLiteral("10"));
        QVERIFY(!slotDrawn(20) && !slotDrawn(170) && slotDrawn(40));
        QCOMPARE(readoutAt(50), QStringLiteral("Freq: 905.8 mHz\r\n\r\nDISABLED"));

        w.view().setLowLimitPosition(1);
        w.view().setHighLimitPosition(3);
        control<QScrollBar>(w, "scrollTime")->setValue(2);
        control<QScrollBar>(w, "scrollTime")->setValue(1);
        QVERIFY(slotDrawn(0) && slotDrawn(20) && slotDrawn(170) && slotDrawn(191));
    }

    // A reopened scan stays on the plot through "Line", a limit change and a restored set: the
    // loop on display is drawn again from its record.
    void aReopenedScanStaysOnThePlot() {
        writeThreeLoops("three.dat");
        QVERIFY(ini().WriteIni(settings::savedSettingsSection(1), "Name", "wide"));
        QVERIFY(ini().WriteIni(settings::savedSettingsSection(1), "FUL", "3"));
        frmSpecAn& w = load();
        open("three.dat");
        QVERIFY(slotDrawn(Chan));
        control<QCheckBox>(w, "chkLine")->click();
        QVERIFY(slotDrawn(Chan));
        w.view().setHighLimitPosition(2);
        QVERIFY(slotDrawn(Chan));
        settings::frmDlgSettings* dialog =
            openNamedSettings(control<QAction>(w, "mnuRestoreSettings"));
        dialog->txtSetName->setText("wide");
        dialog->cmdOK->click();
        QCOMPARE(w.view().highLimitPosition(), 3);
        QVERIFY(slotDrawn(Chan));
        QCOMPARE(w.view().shownLoop().LoopNumber, 1);
    }

    // The window grows and shrinks back: the plot takes the new room, the level labels, group
    // boxes and rows below follow it, no visible control covers another or leaves the window, and
    // the loop on display is drawn again at the new size. Back at the default size every control
    // is where it was at start-up.
    void theWindowGrowsAndEveryControlFollowsThePlot() {
        writeThreeLoops("three.dat");
        frmSpecAn& w = load();
        open("three.dat");
        const QMap<QString, QRect> atDefault = placesOf(w);
        QCOMPARE(w.size(), QSize(800, 360));
        for (const QSize size : {QSize(1000, 480), QSize(1600, 900), QSize(800, 360)}) {
            w.resize(size);
            QTRY_COMPARE_WITH_TIMEOUT(w.size(), size, Bound);
            const QMap<QString, QRect> places = placesOf(w);
            const QSize grown = size - QSize(800, 360);
            QVERIFY(qAbs(places["frDisplay"].width() - atDefault["frDisplay"].width() -
                         grown.width()) < 20);
            QCOMPARE(places["frDisplay"].height(),
                     atDefault["frDisplay"].height() + grown.height());
            QCOMPARE(image().size(),
                     control<display::PlotView>(w, "frDisplay")->contentsRect().size());
            QVERIFY(slotDrawn(Chan));
            if (size == QSize(800, 360))
                break; // where the layout rules put the controls, as the check below shows
            for (auto a = places.cbegin(); a != places.cend(); ++a) {
                QVERIFY2(w.rect().contains(a.value()), qPrintable(a.key()));
                for (auto b = std::next(a); b != places.cend(); ++b)
                    QVERIFY2(!overlap(a.value(), b.value()), qPrintable(a.key() + " " + b.key()));
            }
        }
        QCOMPARE(placesOf(w), atDefault);
    }

    void theReadoutFollowsThePointerOnlyAfterAClickAndStaysInsideThePlot() {
        writeThreeLoops("three.dat");
        frmSpecAn& w = load();
        auto* readout = control<QPlainTextEdit>(w, "txtStatBox");
        auto* plot = control<display::PlotView>(w, "frDisplay");
        const QRect designed = display::twipsRect(readout);
        const QString designText = readout->toPlainText();
        mouseAt(QEvent::MouseMove, 2010, 1500);
        QCOMPARE(readout->toPlainText(), designText); // nothing on display yet
        QCOMPARE(display::twTop(control<QFrame>(w, "lineVertLevel")), display::twTop(plot) + 1500);
        open("three.dat");
        mouseAt(QEvent::MouseMove, 2010, 1500);
        QVERIFY(readout->toPlainText().startsWith("Freq: "));
        QCOMPARE(display::twipsRect(readout).topLeft(), designed.topLeft());
        mouseAt(QEvent::MouseButtonRelease, 2010, 1500, Qt::LeftButton);
        mouseAt(QEvent::MouseMove, 2010, 1500);
        QCOMPARE(display::twLeft(readout), 1950);
        QCOMPARE(display::twTop(readout), 1500 - display::twHeight(readout) - 75);
        const int width = display::twWidth(plot);
        mouseAt(QEvent::MouseMove, (width - 20) / 15 * 15, 30);
        QCOMPARE(display::twLeft(readout), width - display::twWidth(readout) - 60);
        QCOMPARE(display::twTop(readout), 60);
        // A click on the box hides it; the next left click on the plot brings it back.
        QTest::mouseClick(readout->viewport(), Qt::LeftButton);
        QVERIFY(!readout->isVisible());
        mouseAt(QEvent::MouseButtonRelease, 15, 15, Qt::LeftButton);
        QVERIFY(readout->isVisible());
    }

    // The waterfall shows the open scan; a click on one of its rows shows that loop here. The
    // plot's picture is saved as PNG, never over the scan.
    void theWaterfallShowsTheScanAndTheChosenLoopAndThePlotSavesAsAPicture() {
        writeThreeLoops("three.dat");
        frmSpecAn& w = load();
        open("three.dat");
        control<QAction>(w, "mnuWaterfall")->trigger();
        display::frmWaterfall* waterfall = w.waterfallWindow();
        QVERIFY(waterfall && waterfall->isVisible() && waterfall->parentWidget() == &w);
        QCOMPARE(waterfall->view->waterfall().loops(), 3);
        emit waterfall->loopClicked(2);
        QCOMPARE(control<QScrollBar>(w, "scrollTime")->value(), 2);
        QCOMPARE(w.view().shownLoop().LoopNumber, 2);

        // The picture holds the plot as drawn, framed by its axes, names and legend; a larger
        // window gives a larger picture. It is as readable as the user's umask makes a file.
        const mode_t umaskBefore = ::umask(022);
        const auto restoreUmask = qScopeGuard([umaskBefore] { ::umask(umaskBefore); });
        QString error;
        const QString picture = m_program->folder() + "/plot.png";
        QVERIFY2(w.savePlotPicture(picture, &error), qPrintable(error));
        QVERIFY(QFileInfo(picture).permissions() & QFile::ReadOther);
        const QImage saved(picture);
        const QRect plot = display::plotPictureArea(image().size());
        QCOMPARE(saved.copy(plot), image().convertToFormat(saved.format()));
        const auto inkIn = [&saved](const QRect& area) {
            int ink = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    ink += qGray(saved.pixel(x, y)) < 128;
            return ink;
        };
        QVERIFY(inkIn(QRect(0, plot.top(), plot.left() - 1, plot.height())) > 100); // dBm
        QVERIFY(inkIn(QRect(plot.left(), plot.bottom() + 2, plot.width(), 30)) >
                200);                                                      // MHz, legend
        QVERIFY(inkIn(QRect(0, 0, saved.width(), plot.top() - 20)) > 100); // scan, time
        w.resize(1200, 500);
        QTRY_VERIFY_WITH_TIMEOUT(image().width() > plot.width(), Bound);
        QVERIFY2(w.savePlotPicture(picture, &error), qPrintable(error));
        QVERIFY(QImage(picture).width() > saved.width() &&
                QImage(picture).height() > saved.height());
        QVERIFY(!w.savePlotPicture(dataFile("three.dat"), &error));
        QCOMPARE(m_program->records("three.dat").size(), 3);
    }

    // A click on a row's caption in the colour palette picks that row's colour, never the
    // background's under it, and the colour dialog names it; the palette belongs to the window.
    void aPaletteCaptionPicksItsOwnRowsColour() {
        frmSpecAn& w = load();
        control<QAction>(w, "mnuDisplayColor")->trigger();
        display::frmColorPalette* palette = w.findChild<display::frmColorPalette*>();
        QVERIFY(palette && palette->isWindow());
        QColor offered;
        QString title;
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QColorDialog*>(QApplication::activeModalWidget()),
                                     Bound);
            auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
            offered = dialog->currentColor();
            title = dialog->windowTitle();
            dialog->reject();
        });
        QTest::mouseClick(palette->Label2, Qt::LeftButton);
        QCOMPARE(offered, display::toQColor(palette->ColorPicker2->value(), palette->palette()));
        QCOMPARE(title, QStringLiteral("Average Color")); // the dialog says what it changes
        palette->cmdCancelColor->click();
    }

    void everySettingComesBackAfterARestart() {
        frmSpecAn& first = start();
        for (const QString& key : settings::slotKeys().mid(1) + QStringList{"Forever"})
            QCOMPARE(ini().ReadIni(settings::DefaultSection, key), NotSet);

        first.view().setUpperLevel(-60);
        first.view().setLowerLevel(-110);
        first.view().setLowLimitPosition(1);
        first.view().setHighLimitPosition(3);
        control<QCheckBox>(first, "chkLine")->click();
        control<QCheckBox>(first, "chkShowPeaks")->click();
        control<QCheckBox>(first, "chkShowAverages")->click();
        control<QCheckBox>(first, "chkChannel")->setChecked(true);
        control<QAction>(first, "mnuShowLegend")->trigger();
        QCOMPARE(ini().ReadIni(settings::DefaultSection, "Legend"), "1"); // at once
        control<QAction>(first, "mnuAutoSave")->trigger();
        control<QAction>(first, "mnuAutoStart")->trigger();
        control<QCheckBox>(first, "chkRunForever")->click();
        const QString changed = "-60 -110 895.8-934.0 1 3 -60 1000111111";
        QCOMPARE(state(first), changed);
        quit();
        QCOMPARE(ini().ReadIni(settings::DefaultSection, "Peak"), "0");

        QCOMPARE(state(start()), changed);
        control<QCheckBox>(*m_program->window, "chkRunForever")
            ->click(); // nothing connects by itself while the test ends
    }

    // The window opens at its default size, comes back at the size and state it was closed in,
    // and never larger than the screen, whatever the file says.
    void theWindowComesBackAsLargeAsItWasClosed() {
        QCOMPARE(start().size(), QSize(800, 360));
        m_program->window->resize(800, 480);
        QTRY_COMPARE_WITH_TIMEOUT(m_program->window->size(), QSize(800, 480), Bound);
        quit();
        QCOMPARE(start().size(), QSize(800, 480));
        QCOMPARE(control<QWidget>(*m_program->window, "frDisplay")->height(), 333);

        m_program->window->showMaximized();
        QTRY_VERIFY_WITH_TIMEOUT(m_program->window->isMaximized(), Bound);
        quit();
        QCOMPARE(ini().ReadIni("Window", "Height"), "480"); // the size to restore it to
        QVERIFY(start().isMaximized());
        quit();

        m_program->setIni("Window", "Width", "100000");
        m_program->setIni("Window", "Height", "100000");
        m_program->setIni("Window", "Maximized", "0");
        const QSize screen = QGuiApplication::primaryScreen()->availableSize();
        QCOMPARE(start().size(), screen.expandedTo(QSize(800, 360)));
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
            {"LUL", QString::number(w.view().upperLevel())},
            {"FUL", control<QLineEdit>(w, "txtFULimit")->text()},
            {"FLL", control<QLineEdit>(w, "txtFLLimit")->text()},
            {"Mode", QString::number(w.view().lineMode())},
            {"Speed", QString::number(w.view().speedPosition())},
            {"BLast", QString::number(control<display::ColorSwatch>(w, "clrPickerLast")->value())},
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
        QTest::newRow("empty file") << "" << "Site A" << "Site A";
        // The highest of twins is overwritten; slot 1 keeps its own set ("?": not the saved one).
        QTest::newRow("highest of twins") << "x,y,X" << "x" << "x?,y,x";
        QTest::newRow("not an empty slot") << "A" << "not set" << "not set,A";
        // clang-format on
    }
    // Named sets: "A,,C" stores A in slot 1 and C in slot 3, each with LUL "lul-" + its name.
    // Afterwards each slot reads as its name, "?" added when its LUL is not its own (the saved
    // set's is the window's -40).
    void savingANamedSetArrangesTheTenSlots() {
        QFETCH(QString, before);
        QFETCH(QString, typed);
        const QStringList names = before.split(QLatin1Char(','));
        for (int slot = 1; slot <= names.size(); ++slot) {
            const QString section = settings::savedSettingsSection(slot);
            QVERIFY(names[slot - 1].isEmpty() ||
                    (ini().WriteIni(section, "Name", names[slot - 1]) &&
                     ini().WriteIni(section, "LUL", "lul-" + names[slot - 1])));
        }
        start();
        settings::frmDlgSettings* dialog =
            openNamedSettings(control<QAction>(*m_program->window, "mnuSaveSettings"));
        QCOMPARE(dialog->cmdOK->text(), "Save");
        QTest::keyClicks(dialog->txtSetName, typed);
        dialog->cmdOK->click();
        QVERIFY(m_program->window->isEnabled());
        QTRY_VERIFY(!m_program->window->settingsDialog());
        QStringList after;
        for (int slot = 1; slot <= settings::SavedSlotCount; ++slot) {
            const QString section = settings::savedSettingsSection(slot);
            const QString name = ini().ReadIni(section, "Name");
            const bool own =
                ini().ReadIni(section, "LUL") == (name == typed.trimmed() ? "-40" : "lul-" + name);
            after << (name == NotSet ? QString() : own ? name : name + "?");
        }
        while (!after.isEmpty() && after.last().isEmpty())
            after.removeLast();
        QTEST(after.join(','), "after");
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
        w.view().setUpperLevel(-80);
        settings::frmDlgSettings* dialog =
            openNamedSettings(control<QAction>(w, "mnuRestoreSettings"));
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
        QTRY_VERIFY(!w.settingsDialog());
        QVERIFY(w.isEnabled());
        QTEST(w.view().upperLevel(), "upperLimit");
        QCOMPARE(w.view().lineMode(), w.view().upperLevel() == -70);
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

        control<QCheckBox>(w, "chkRunForever")->click();
        control<QAction>(w, "mnuAutoSave")->trigger();
        QCOMPARE(m_program->messagesTitled("Settings"), 1);
        QVERIFY(m_program->messages.last().text.contains(QDir::toNativeSeparators(iniPath())));
        quit();
        QCOMPARE(m_program->messagesTitled("Settings"), 1);
        const QStringList left = QDir(m_program->folder()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left, readOnlyFile ? QStringList{"KorlanSpecAn.ini"} : QStringList{});
        QCOMPARE(testing::fileBytes(iniPath()), readOnlyFile ? before : QByteArray());
    }

    void splashLoadsTheWindowBehindItselfAndHandsOver_data() {
        QTest::addColumn<QString>("dismissed"); // how the splash is dismissed, if at all
        QTest::newRow("progress runs out") << "";
        QTest::newRow("any key") << "key";
        QTest::newRow("click on a label") << "click";
    }
    void splashLoadsTheWindowBehindItselfAndHandsOver() {
        QFETCH(QString, dismissed);
        core::setTimeScale(0.1);
        frmSpecAn window;
        QPointer<frmSplash> splash = startProgram(window, m_program->folder());
        QVERIFY(splash && splash->isVisible() && splash->isWindow());
        QCOMPARE(splash->parentWidget(), &window);
        QVERIFY(!window.isVisible());
        // Loaded behind the splash at its first tick, or as it is dismissed before that.
        if (dismissed.isEmpty())
            QTRY_VERIFY(QFileInfo(window.dataFolder()).isDir());
        const int& lastStep = lastStepShown(splash);
        if (dismissed == "key")
            QTest::keyClick(splash, Qt::Key_Space);
        else if (dismissed == "click")
            QTest::mouseClick(splash->lblCompanyProduct, Qt::LeftButton);
        QCOMPARE(window.isVisible(), !dismissed.isEmpty()); // at once when dismissed
        QVERIFY(QFileInfo(window.dataFolder()).isDir());
        QTRY_VERIFY(splash.isNull());
        QVERIFY(window.isVisible() && window.isEnabled());
        if (dismissed.isEmpty())
            QCOMPARE(lastStep, 40 + 1); // the bar ran to its end before the splash closed
    }

    // The About box runs its bar over 160 steps and stays until it is closed; it says where the
    // files are and opens the Data folder.
    void aboutBoxStaysUntilClosedAndOpensTheDataFolder() {
        core::setTimeScale(0.1);
        frmSpecAn& window = start();
        control<QAction>(window, "mnuAbout")->trigger();
        QPointer<frmSplash> about = window.findChild<frmSplash*>();
        QVERIFY(about && about->isVisible() && about->isWindow() && about->isEnabled());
        QVERIFY(!window.isEnabled());
        QCOMPARE(about->lastStep(), 160);
        QVERIFY(about->lblSettingsFile->text().endsWith(
            QDir::toNativeSeparators(core::modMain().IniFilePath)));
        QVERIFY(
            about->lblDataFolder->text().endsWith(QDir::toNativeSeparators(window.dataFolder())));
        const int& lastStep = lastStepShown(about);
        QTRY_COMPARE_WITH_TIMEOUT(lastStep, 160 + 1, 10000);
        QVERIFY(about && about->isVisible());

        UrlsOpened opened;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
        about->cmdOpenDataFolder->click();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(opened.urls, QList<QUrl>{QUrl::fromLocalFile(window.dataFolder())});
        QVERIFY(about && about->isVisible());
        about->cmdOK->click();
        QTRY_VERIFY(about.isNull());
        QVERIFY(window.isEnabled() && window.isVisible());
    }

    // A device that exists but may not be opened: the start-up says why and names its group.
    void startUpNamesTheGroupOfTheSavedPortsDevice() {
        if (::geteuid() == 0)
            QSKIP("root may open every device");
        const QString device = m_program->folder() + "/ttyUSB0";
        QVERIFY(testing::writeFile(device, {}) && QFile::setPermissions(device, {}));
        m_program->mapPort(1, device);
        m_program->setIni("Program", "Port", "1");
        start();
        const QList<MsgBoxCall>& messages = m_program->messages;
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].title, "Serial Port Error");
        QVERIFY2(messages[0].text.contains("Permission denied") &&
                     messages[0].text.contains(QFileInfo(device).group()),
                 qPrintable(messages[0].text));
    }

    void systemNamesFollowTheVersionTable_data() {
        QTest::addColumn<int>("platform");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<QString>("name");
        QTest::newRow("95") << 1 << 4 << 0 << "Windows 95";
        QTest::newRow("Me") << 1 << 4 << 90 << "";
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
        // clang-format on
    }
    void manifestIsNamedAfterTheProgramFile() {
        QFETCH(QString, program);
        QTEST(manifestFileName(program), "manifest");
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
        const QByteArray text = file.readAll();
        QCOMPARE(text, ManifestText().toLatin1() + "\r\n");
        // Well-formed XML that Windows can read.
        QXmlStreamReader xml(text);
        while (!xml.atEnd())
            xml.readNext();
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(text.contains("\"Microsoft.Windows.Common-Controls\"") &&
                text.contains("\"6.0.0.0\""));
        // The program's assembly and the controls, both for the architecture asked for.
        QCOMPARE(ManifestText("X86").count(QStringLiteral("processorArchitecture=\"X86\"")), 2);
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

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
