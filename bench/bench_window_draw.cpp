// SPDX-License-Identifier: MIT
// The cost of a live reading as the main window draws it: one reading as the engine's update
// hands it over, in bar and in line mode, and a whole 192-channel sweep at the widest limits
// (895.8 - 934.0 MHz) followed by a turn of the event loop. The plot repaints at most once a
// frame, so most sweeps here end without a repaint: the paints counter tells how many did. Each
// runs with and without a saved scan compared over the plot, and a whole repaint of the plot
// shows what laying the comparison over the picture costs.
#include "app/frm_specan.h"
#include "app/msg_box.h"
#include "core/program_state.h"
#include "core/time_scale.h"
#include "display/plot_view.h"
#include "recording/scan_file.h"
#include "settings/ini_file.h"
#include "settings/program_settings.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

app::frmSpecAn* g_window = nullptr;
display::PlotView* g_plot = nullptr;
QString g_comparedScan;

// Counts the plot's paint events.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};
PaintCounter g_paints;

// A live reading for each channel that lands inside the plot: -60 ... -114 dBm.
void deliverReading(int chan, int pass) {
    scan::ChannelReading reading;
    reading.Last = qint16(60 + (chan * 37 + pass * 11) % 55);
    reading.Peak = 60;
    reading.Sum = reading.Last;
    reading.Count = 1;
    emit g_window->engine().channelStored(chan, reading);
}

void setMode(bool lineMode) {
    g_window->view().setLineMode(lineMode);
    QCoreApplication::processEvents();
}

// A saved scan of one loop, every channel's Peak and Average at a level of its own.
bool writeComparedScan(const QString& path) {
    recording::ScanRecord record;
    record.LoopNumber = 1;
    record.LoopStartText = "12-07-2026  10:00:00";
    for (int chan = 0; chan < 192; ++chan) {
        record.LastCodes.append(char(70 + chan % 40));
        record.PeakCodes.append(char(60 + chan % 40));
        record.AverageCodes.append(char(80 + chan % 30));
    }
    recording::ScanFile file;
    return file.create(path) && file.writeRecord(1, record);
}

void setCompared(bool compared) {
    if (compared && !g_plot->comparison())
        g_window->compareWith(g_comparedScan);
    else if (!compared && g_plot->comparison())
        g_window->findChild<QAction*>(QStringLiteral("mnuClearComparison"))->trigger();
    QCoreApplication::processEvents();
}

const char* comparedLabel(bool compared) {
    return compared ? ", compared" : "";
}

void OneReading(benchmark::State& state) {
    const bool lineMode = state.range(0) != 0;
    setMode(lineMode);
    setCompared(state.range(1) != 0);
    int chan = 0;
    int pass = 0;
    for (auto _ : state) {
        deliverReading(chan, pass);
        if (++chan == 192) {
            // Between sweeps the window repaints, as at a loop's end.
            state.PauseTiming();
            chan = 0;
            ++pass;
            QCoreApplication::processEvents();
            state.ResumeTiming();
        }
    }
    state.SetLabel(std::string(lineMode ? "line" : "bar") + comparedLabel(state.range(1) != 0));
}
BENCHMARK(OneReading)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);

void FullSweep(benchmark::State& state) {
    const bool lineMode = state.range(0) != 0;
    setMode(lineMode);
    setCompared(state.range(1) != 0);
    int pass = 0;
    g_paints.paints = 0;
    for (auto _ : state) {
        for (int chan = 0; chan < 192; ++chan)
            deliverReading(chan, pass);
        QCoreApplication::processEvents();
        ++pass;
    }
    state.SetLabel(std::string(lineMode ? "line, 192 channels" : "bar, 192 channels") +
                   comparedLabel(state.range(1) != 0));
    state.SetItemsProcessed(state.iterations() * 192);
    state.counters["paints"] =
        benchmark::Counter(g_paints.paints, benchmark::Counter::kAvgIterations);
}
BENCHMARK(FullSweep)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);

// The whole plot painted at once, as after a resize or an exposure.
void WholeRepaint(benchmark::State& state) {
    setMode(false);
    setCompared(state.range(0) != 0);
    for (auto _ : state)
        g_plot->repaint();
    state.SetLabel(state.range(0) != 0 ? "compared" : "plot alone");
}
BENCHMARK(WholeRepaint)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    // No screen is needed: the window is shown on the offscreen platform.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    // Start-up would ask about the missing saved port.
    app::setMsgBoxAnswerer([](const app::MsgBoxCall&) { return app::MsgBoxAnswer::Ok; });
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    // Every menu port maps to a device that does not exist: no real port is probed.
    settings::IniFile ini(folder.filePath(QStringLiteral("KorlanSpecAn.ini")));
    for (int n = 1; n <= 10; ++n)
        ini.WriteIni(QStringLiteral("Ports"), QStringLiteral("Com%1").arg(n),
                     folder.filePath(QStringLiteral("no-port-%1").arg(n)));
    app::frmSpecAn window;
    g_window = &window;
    window.Form_Load(folder.path());
    window.show();
    g_plot = window.findChild<display::PlotView*>(QStringLiteral("frDisplay"));
    g_plot->installEventFilter(&g_paints);
    g_comparedScan = folder.filePath(QStringLiteral("compared.dat"));
    if (!writeComparedScan(g_comparedScan)) {
        std::fprintf(stderr, "the compared scan could not be written\n");
        return 1;
    }
    window.view().setLowLimitPosition(1);
    window.view().setHighLimitPosition(3);
    QCoreApplication::processEvents();

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_window = nullptr;
    g_plot = nullptr;
    return 0;
}
