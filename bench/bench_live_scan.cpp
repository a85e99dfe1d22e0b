// SPDX-License-Identifier: MIT
// Live scanning against the simulated radio: the sweep rate at 115200 baud as a fraction of what
// the line allows, the readings per second with no pacing, and the CPU time per reading.
#include "app/frm_specan.h"
#include "app/msg_box.h"
#include "core/program_state.h"
#include "core/wait.h"
#include "settings/ini_file.h"
#include "settings/program_settings.h"
#include "tests/support/sim_radio.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

constexpr int MeasuredPerLoop = 128; // 902.2 - 927.6 MHz
constexpr int TimedLoops = 4;
constexpr double LineBytesPerSecond = 11520.0; // 115200 baud, 10 bits a byte

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop until the condition holds, looking every millisecond; false after 2 min.
template <typename Condition> bool runUntil(Condition condition) {
    QEventLoop loop;
    QTimer check;
    QElapsedTimer guard;
    guard.start();
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition() || guard.elapsed() > 120000)
            loop.quit();
    });
    check.start(1);
    loop.exec();
    return condition();
}

// Waits until the scan has finished the given loop.
bool runUntilLoop(const app::frmSpecAn& window, int loop) {
    return runUntil([&] { return window.engine().LoopCount() > loop; });
}

struct ScanFigures {
    double seconds = 0;
    double cpuSeconds = 0;
    int readings = 0;
    double bytesPerReading = 0;
};

std::optional<ScanFigures> timeScan(const QStringList& simOptions) {
    testing::SimRadio radio;
    if (!radio.start(simOptions))
        return std::nullopt;
    QTemporaryDir folder;
    settings::IniFile ini(folder.filePath(QStringLiteral("KorlanSpecAn.ini")));
    for (int port = 2; port <= 10; ++port)
        ini.WriteIni(QStringLiteral("Ports"), QStringLiteral("Com%1").arg(port),
                     QStringLiteral("/nonexistent"));
    ini.WriteIni(QStringLiteral("Ports"), QStringLiteral("Com1"), radio.device());
    ini.WriteIni(QStringLiteral("Program"), QStringLiteral("Port"), QStringLiteral("1"));

    core::modMain() = core::MainModule{};
    app::frmSpecAn window;
    window.Form_Load(folder.path());
    window.show();
    window.cmdConnect->click();
    // The first loop includes the connection; timing starts when it ends.
    if (!runUntilLoop(window, 1))
        return std::nullopt;
    const int levelsBefore = int(radio.levels().size());
    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = cpuSeconds();
    if (!runUntilLoop(window, 1 + TimedLoops))
        return std::nullopt;
    ScanFigures figures;
    figures.seconds = double(clock.nsecsElapsed()) / 1e9;
    figures.cpuSeconds = cpuSeconds() - cpuBefore;
    figures.readings = TimedLoops * MeasuredPerLoop;

    // Request "RX fff.f" CR "RSSI!" CR, reply "RX fff.f" CR LF level " dBm" CR LF "SETUP>".
    const QList<testing::AnsweredLevel> levels = radio.levels();
    double bytes = 0;
    for (int i = levelsBefore; i < levelsBefore + figures.readings && i < levels.size(); ++i)
        bytes += 15 + 22 + QByteArray::number(levels[i].dbm).size();
    figures.bytesPerReading = bytes / figures.readings;

    window.cmdStopTest->click();
    runUntil([&] { return !window.engine().ScanActive(); });
    return figures;
}

void report(benchmark::State& state, const std::optional<ScanFigures>& figures) {
    if (!figures) {
        state.SkipWithError("the scan did not run");
        return;
    }
    state.SetIterationTime(figures->seconds);
    state.counters["readings_per_s"] = figures->readings / figures->seconds;
    state.counters["cpu_us_per_reading"] = 1e6 * figures->cpuSeconds / figures->readings;
    state.counters["bytes_per_reading"] = figures->bytesPerReading;
}

void PacedAt115200(benchmark::State& state) {
    for (auto _ : state) {
        const auto figures = timeScan({QStringLiteral("--baud"), QStringLiteral("115200")});
        report(state, figures);
        if (figures) {
            const double ceiling = LineBytesPerSecond / figures->bytesPerReading;
            state.counters["line_ceiling_per_s"] = ceiling;
            state.counters["fraction_of_ceiling"] = figures->readings / figures->seconds / ceiling;
        }
    }
}
BENCHMARK(PacedAt115200)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void Unpaced(benchmark::State& state) {
    for (auto _ : state)
        report(state, timeScan({}));
}
BENCHMARK(Unpaced)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("TERNAFLOW_SIM"))
        qputenv("TERNAFLOW_SIM", QByteArray(TERNAFLOW_SIM_PATH));
    QApplication application(argc, argv);
    app::setMsgBoxAnswerer([](const app::MsgBoxCall&) { return app::MsgBoxAnswer::No; });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
