// SPDX-License-Identifier: MIT
// The cost of a live reading as the main window draws it: one reading as the engine's update
// hands it over, in bar and in line mode, and a whole 192-channel sweep at the widest limits
// (895.8 - 934.0 MHz) followed by a turn of the event loop. The plot repaints at most once a
// frame, so most sweeps here end without a repaint: the paints counter tells how many did.
#include "app/frm_specan.h"
#include "app/msg_box.h"
#include "core/program_state.h"
#include "core/time_scale.h"
#include "display/plot_view.h"
#include "settings/ini_file.h"
#include "settings/program_settings.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

app::frmSpecAn* g_window = nullptr;

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

void OneReading(benchmark::State& state) {
    const bool lineMode = state.range(0) != 0;
    setMode(lineMode);
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
    state.SetLabel(lineMode ? "line" : "bar");
}
BENCHMARK(OneReading)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void FullSweep(benchmark::State& state) {
    const bool lineMode = state.range(0) != 0;
    setMode(lineMode);
    int pass = 0;
    g_paints.paints = 0;
    for (auto _ : state) {
        for (int chan = 0; chan < 192; ++chan)
            deliverReading(chan, pass);
        QCoreApplication::processEvents();
        ++pass;
    }
    state.SetLabel(lineMode ? "line, 192 channels" : "bar, 192 channels");
    state.SetItemsProcessed(state.iterations() * 192);
    state.counters["paints"] =
        benchmark::Counter(g_paints.paints, benchmark::Counter::kAvgIterations);
}
BENCHMARK(FullSweep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

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
    window.findChild<display::PlotView*>(QStringLiteral("frDisplay"))
        ->installEventFilter(&g_paints);
    window.view().setLowLimitPosition(1);
    window.view().setHighLimitPosition(3);
    QCoreApplication::processEvents();

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_window = nullptr;
    return 0;
}
