// SPDX-License-Identifier: MIT
// Getting scans back through the real window, offscreen, on real files in a temporary folder:
// the saved-scan list, deleting, playback of recorded loops, the channel readout, the waterfall and
// the colour palette.
#include "app/frm_scan_restore.h"
#include "display/color_swatch.h"
#include "display/freq_axis.h"
#include "display/frm_color_palette.h"
#include "display/frm_waterfall.h"
#include "display/plot_view.h"
#include "display/up_down.h"
#include "display/waterfall_view.h"
#include "display/widget_twips.h"
#include "live_program.h"
#include "recording/scan_file.h"
#include "recording/scan_library.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scan_fixture.h"

#include <QtTest>
#include <QtWidgets>

using namespace app;

namespace {

constexpr int Bound = 5000;

// A loop whose measured channels (902.2 - 927.6 MHz) read `level` and the rest are out of range.
recording::ScanRecord loop(qint32 n, int level, const QString& start, int attenuation = 0) {
    recording::ScanRecord record{n, attenuation, start.toLatin1(), {}, {}, {}};
    record.LastCodes = record.PeakCodes = record.AverageCodes = testing::startupLoopCodes(level);
    return record;
}

QString startOf(int loop) {
    return QStringLiteral("06-01-2024  10:%1:00").arg(loop, 2, 10, QLatin1Char('0'));
}

} // namespace

class TestPlayback : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::LiveProgram> m_program;
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
        m_window->mnuOpenSavedScan->trigger();
        frmScanRestore* list = m_window->scanRestoreDialog();
        [&] { QVERIFY(list && list->isVisible()); }();
        return *list;
    }
    void open(const QString& name) {
        frmScanRestore& list = openList();
        const QList<QListWidgetItem*> items = list.lstScans->findItems(name, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        list.lstScans->setCurrentItem(items[0]);
        list.cmdOpenScan->click();
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->scanRestoreDialog(), Bound);
    }
    QStringList listed() const {
        QStringList names;
        for (int row = 0; row < m_window->scanRestoreDialog()->lstScans->count(); ++row)
            names << m_window->scanRestoreDialog()->lstScans->item(row)->text();
        return names;
    }
    // Whether the channel's slot shows anything but the background.
    bool slotDrawn(int chan) const {
        const QImage& image = m_window->frDisplay->renderer().image();
        const display::SlotColumns bar =
            display::slotColumns(display::slotOfChannel(chan, m_window->LowBandChannels),
                                 m_window->ChanWidth, core::modMain().BarGap);
        for (int x = std::max(bar.Left, 0); x < std::min(bar.Right, image.width()); ++x)
            for (int y = 0; y < image.height(); ++y)
                if (image.pixelColor(x, y) != m_window->activeColors().Back)
                    return true;
        return false;
    }
    // The pointer moves to, or a button is released at, a point of the plot in twips (whole
    // pixels: multiples of 15).
    void mouseAt(QEvent::Type type, int x, int y, Qt::MouseButton button = Qt::NoButton) {
        display::PlotView* plot = m_window->frDisplay;
        const QPointF at = plot->contentsRect().topLeft() + QPointF(x / 15, y / 15);
        QMouseEvent event(type, at, plot->mapToGlobal(at), button,
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::MouseButtons(button),
                          Qt::NoModifier);
        QApplication::sendEvent(plot, &event);
    }
    QString readoutAt(int chan) {
        const int slot = display::slotOfChannel(chan, m_window->LowBandChannels);
        mouseAt(QEvent::MouseMove, (slot * m_window->ChanWidth + m_window->ChanWidth / 2) / 15 * 15,
                600);
        return m_window->txtStatBox->toPlainText().replace('\n', QStringLiteral("\r\n"));
    }

private slots:
    void init() {
        m_program = std::make_unique<testing::LiveProgram>();
        m_program->yesNoAnswer = MsgBoxAnswer::Yes;
        QDir().mkpath(dataFile(QString()));
    }
    void cleanup() { m_program.reset(); }

    // Newest first (default names begin with the date), never the recording in any letter case;
    // deleting asks first and removes exactly the selected files.
    void theListShowsSavedScansNewestFirstAndDeletesOnlyTheSelected() {
        for (const char* name : {"2024-06-01_10-00-00.dat", "2024-06-02_08-00-00.dat", "b.dat",
                                 "a.DAT", "2023-12-31_23-59-59_-20dB.dat", "LASTSCAN.DAT"})
            writeThreeLoops(name);
        QFile(dataFile("notes.txt")).open(QIODevice::WriteOnly);
        load();
        frmScanRestore& list = openList();
        QCOMPARE(list.parentWidget(), m_window);
        QVERIFY(!m_window->isEnabled());
        QCOMPARE(listed(),
                 (QStringList{"b.dat", "a.DAT", "2024-06-02_08-00-00.dat",
                              "2024-06-01_10-00-00.dat", "2023-12-31_23-59-59_-20dB.dat"}));
        for (int row : {0, 2, 4})
            list.lstScans->item(row)->setSelected(true);
        list.mnuDeleteScans->trigger();
        QCOMPARE(m_program->messages.size(), 1);
        QCOMPARE(m_program->messages[0].title, QStringLiteral("Confirm Deletion"));
        QCOMPARE(m_program->messages[0].text,
                 recording::deletionQuestion(
                     {"b.dat", "2024-06-02_08-00-00.dat", "2023-12-31_23-59-59_-20dB.dat"}));
        QCOMPARE(listed(), (QStringList{"a.DAT", "2024-06-01_10-00-00.dat"}));
        QCOMPARE(m_program->dataFiles(),
                 (QStringList{"2024-06-01_10-00-00.dat", "LASTSCAN.DAT", "a.DAT", "notes.txt"}));
        list.cmdCancel->click();
        QTRY_VERIFY_WITH_TIMEOUT(m_window->isEnabled(), Bound);
        QCOMPARE(m_window->engine().scanFile().isOpen(), false);
    }

    // A scan copied from a colleague, read-only: its first loop in red, the count and elapsed
    // time from the stored times, and every loop reachable.
    void aReadOnlySavedScanPlaysBack() {
        writeThreeLoops("colleague.dat");
        QVERIFY(QFile::setPermissions(dataFile("colleague.dat"), QFile::ReadOwner));
        frmSpecAn& w = load();
        open("colleague.dat");
        QCOMPARE(w.txtRestoredScan->text(), QStringLiteral("colleague.dat"));
        QCOMPARE(w.scrollTime->maximum(), 3);
        QCOMPARE(w.PlaybackRecord.LoopNumber, 1);
        QCOMPARE(w.lblStatus->text(), "Started: " + startOf(0));
        QCOMPARE(w.lblDisplayTime->palette().color(QPalette::WindowText), RecordedColor);
        QVERIFY(w.cmdGotoEnd->isEnabled());
        QVERIFY(slotDrawn(40));
        w.scrollTime->setValue(3);
        QCOMPARE(w.PlaybackRecord.LoopNumber, 3);
        QCOMPARE(w.lblCount->text(), QStringLiteral("Count: 3 (3)"));
        QCOMPARE(w.lblElapsed->text(), QStringLiteral("Elapsed: 2m "));
        QCOMPARE(w.lblDisplayTime->text(), startOf(2));
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
            QVERIFY(!w.engine().scanFile().isWritable());
            QCOMPARE(w.scrollTime->maximum(), 1);
            return;
        }
        QCOMPARE(w.scrollTime->maximum(), loops);
        w.scrollTime->setValue(loops);
        QCOMPARE(w.PlaybackRecord.LoopNumber, loops);
        if (loops == 2) {
            // A code past the skip codes is no reading; a start that is no date leaves the
            // elapsed time as it was.
            QVERIFY(!slotDrawn(40));
            QVERIFY(slotDrawn(41));
            QCOMPARE(w.lblElapsed->text(), QStringLiteral("Elapsed: 0s"));
            QCOMPARE(readoutAt(40), QStringLiteral("Freq: 903.8 mHz\r\nLast: -0\r\nPeak: -80\r\n"
                                                   "Ave: -80.0"));
        }
    }

    // The low band and the channels above 927.6 MHz are drawn only inside the limits; a switched
    // off group reads "DISABLED"; the loop's attenuation shows.
    void aRecordedLoopShowsOnlyTheChannelsInsideTheLimits() {
        recording::ScanRecord record = loop(1, 90, startOf(0), 10);
        for (int c = 0; c < scan::ChannelCount; ++c)
            record.LastCodes[c] = record.PeakCodes[c] = record.AverageCodes[c] = char(60);
        for (int c = 48; c < 64; ++c) // "Grp 2" switched off
            record.LastCodes[c] = record.PeakCodes[c] = record.AverageCodes[c] =
                char(scan::GroupOffCode);
        writeScan("wide.dat", {record, loop(2, 90, startOf(1), 10)});
        frmSpecAn& w = load();
        open("wide.dat");
        QCOMPARE(w.udAtten->value(), 10);
        QCOMPARE(w.txtAtten->text(), QStringLiteral("10"));
        QVERIFY(!slotDrawn(20) && !slotDrawn(170) && slotDrawn(40));
        QCOMPARE(readoutAt(50), QStringLiteral("Freq: 905.8 mHz\r\n\r\nDISABLED"));

        w.udFLLimit->setValue(1);
        w.udFULimit->setValue(3);
        w.scrollTime->setValue(2);
        w.scrollTime->setValue(1);
        QVERIFY(slotDrawn(0) && slotDrawn(20) && slotDrawn(170) && slotDrawn(191));
    }

    void theReadoutFollowsThePointerOnlyAfterAClickAndStaysInsideThePlot() {
        writeThreeLoops("three.dat");
        frmSpecAn& w = load();
        const QRect designed = display::twipsRect(w.txtStatBox);
        const QString designText = w.txtStatBox->toPlainText();
        mouseAt(QEvent::MouseMove, 2010, 1500);
        QCOMPARE(w.txtStatBox->toPlainText(), designText); // nothing on display yet
        QCOMPARE(display::twTop(w.lineVertLevel), display::twTop(w.frDisplay) + 1500);
        open("three.dat");
        mouseAt(QEvent::MouseMove, 2010, 1500);
        QVERIFY(w.txtStatBox->toPlainText().startsWith("Freq: "));
        QCOMPARE(display::twipsRect(w.txtStatBox).topLeft(), designed.topLeft());
        mouseAt(QEvent::MouseButtonRelease, 2010, 1500, Qt::LeftButton);
        mouseAt(QEvent::MouseMove, 2010, 1500);
        QCOMPARE(display::twLeft(w.txtStatBox), 1950);
        QCOMPARE(display::twTop(w.txtStatBox), 1500 - display::twHeight(w.txtStatBox) - 75);
        const int width = display::twWidth(w.frDisplay);
        mouseAt(QEvent::MouseMove, (width - 20) / 15 * 15, 30);
        QCOMPARE(display::twLeft(w.txtStatBox), width - display::twWidth(w.txtStatBox) - 60);
        QCOMPARE(display::twTop(w.txtStatBox), 60);
        // A click on the box hides it; the next left click on the plot brings it back.
        QTest::mouseClick(w.txtStatBox->viewport(), Qt::LeftButton);
        QVERIFY(!w.txtStatBox->isVisible());
        mouseAt(QEvent::MouseButtonRelease, 15, 15, Qt::LeftButton);
        QVERIFY(w.txtStatBox->isVisible());
    }

    // The waterfall shows the open scan; a click on one of its rows shows that loop here. The
    // plot's picture is saved as PNG, never over the scan.
    void theWaterfallShowsTheScanAndTheChosenLoopAndThePlotSavesAsAPicture() {
        writeThreeLoops("three.dat");
        frmSpecAn& w = load();
        open("three.dat");
        w.mnuWaterfall->trigger();
        display::frmWaterfall* waterfall = w.waterfallWindow();
        QVERIFY(waterfall && waterfall->isVisible() && waterfall->parentWidget() == &w);
        QCOMPARE(waterfall->view->waterfall().loops(), 3);
        emit waterfall->loopClicked(2);
        QCOMPARE(w.scrollTime->value(), 2);
        QCOMPARE(w.PlaybackRecord.LoopNumber, 2);

        QString error;
        const QString picture = m_program->folder() + "/plot.png";
        QVERIFY2(w.savePlotPicture(picture, &error), qPrintable(error));
        QCOMPARE(QImage(picture).size(), w.frDisplay->renderer().image().size());
        QVERIFY(!w.savePlotPicture(dataFile("three.dat"), &error));
        QCOMPARE(m_program->records("three.dat").size(), 3);
    }

    // A click on a row's caption in the colour palette picks that row's colour, never the
    // background's under it; the palette belongs to the window.
    void aPaletteCaptionPicksItsOwnRowsColour() {
        frmSpecAn& w = load();
        w.mnuDisplayColor->trigger();
        display::frmColorPalette* palette = w.findChild<display::frmColorPalette*>();
        QVERIFY(palette && palette->isWindow());
        QColor offered;
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QColorDialog*>(QApplication::activeModalWidget()),
                                     Bound);
            auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
            offered = dialog->currentColor();
            dialog->reject();
        });
        QTest::mouseClick(palette->Label2, Qt::LeftButton);
        QCOMPARE(offered, display::toQColor(palette->ColorPicker2->value(), palette->palette()));
        palette->cmdCancelColor->click();
    }
};

QTEST_MAIN(TestPlayback)
#include "tst_playback.moc"
