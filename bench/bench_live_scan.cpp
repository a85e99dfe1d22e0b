// SPDX-License-Identifier: MIT
// Live scanning against the simulated radio, paced at 115200 baud and unpaced: the window's sweep
// rate as a fraction of what the line allows, its CPU time and context switches per reading;
// korlan-record's sweep rate and CPU time, and its rate as a fraction of a bare client's round
// trips on the same kind of pseudo-terminal, which nothing can beat, timed just before it.
#include "app/frm_specan.h"
#include "app/msg_box.h"
#include "core/program_state.h"
#include "settings/ini_file.h"
#include "tests/support/sim_radio.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int MeasuredPerLoop = 128;           // 902.2 - 927.6 MHz
constexpr double LineBytesPerSecond = 11520.0; // 115200 baud, 10 bits a byte

// The simulated radio's options and how many loops are timed. Paced, four loops take about 2 s;
// unpaced they would pass in 40 ms, too short a look at a machine that is doing other work.
struct Line {
    QStringList simOptions;
    int timedLoops;
    bool paced() const { return !simOptions.isEmpty(); }
};
const Line Paced{{QStringLiteral("--baud"), QStringLiteral("115200")}, 4};
const Line Unpaced{{}, 24};

// CPU time and context switches of this process (the window's, its threads included) or of its
// children that have ended.
struct ProcessUsage {
    double cpuSeconds = 0;
    long switches = 0;
};

ProcessUsage processUsage(int who = RUSAGE_SELF) {
    rusage usage{};
    getrusage(who, &usage);
    return {double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6,
            usage.ru_nvcsw + usage.ru_nivcsw};
}

// Runs the event loop until the condition holds, looking each time the sender emits the signal
// (so that the benchmark adds no wakeups of its own); false after 2 min.
template <typename Sender, typename Signal, typename Condition>
bool runUntil(const Sender* sender, Signal signal, Condition condition) {
    if (condition())
        return true;
    QEventLoop loop;
    QObject::connect(sender, signal, &loop, [&] {
        if (condition())
            loop.quit();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
    return condition();
}

struct ScanFigures {
    double seconds = 0;
    double cpuSeconds = 0;
    long switches = 0;
    int readings = 0;
    double bytesPerReading = 0;
};

// Request "RX fff.f" CR "RSSI!" CR, reply "RX fff.f" CR LF level " dBm" CR LF "SETUP>".
double bytesPerReading(const testing::SimRadio& radio, int first, int count) {
    const QList<testing::AnsweredLevel> levels = radio.levels();
    double bytes = 0;
    for (int i = first; i < first + count && i < levels.size(); ++i)
        bytes += 15 + 22 + QByteArray::number(levels[i].dbm).size();
    return bytes / count;
}

void report(benchmark::State& state, const std::optional<ScanFigures>& figures, const Line& line) {
    if (!figures) {
        state.SkipWithError("the scan did not run");
        return;
    }
    state.SetIterationTime(figures->seconds);
    const double rate = figures->readings / figures->seconds;
    state.counters["readings_per_s"] = rate;
    if (figures->cpuSeconds > 0) {
        state.counters["cpu_us_per_reading"] = 1e6 * figures->cpuSeconds / figures->readings;
        state.counters["switches_per_reading"] = double(figures->switches) / figures->readings;
    }
    if (line.paced()) {
        const double ceiling = LineBytesPerSecond / figures->bytesPerReading;
        state.counters["line_ceiling_per_s"] = ceiling;
        state.counters["fraction_of_ceiling"] = rate / ceiling;
    }
}

// The analyser's window scanning: timed from the end of its first loop, which includes the
// connection.
std::optional<ScanFigures> timeWindowScan(const Line& line) {
    testing::SimRadio radio;
    if (!radio.start(line.simOptions))
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
    const engine::EngineThread& engine = window.engine();
    const auto loopEnded = &engine::EngineThread::loopEnded;
    if (!runUntil(&engine, loopEnded, [&] { return engine.LoopCount() > 1; }))
        return std::nullopt;
    const int levelsBefore = int(radio.levels().size());
    QElapsedTimer clock;
    clock.start();
    const ProcessUsage before = processUsage();
    if (!runUntil(&engine, loopEnded, [&] { return engine.LoopCount() > 1 + line.timedLoops; }))
        return std::nullopt;
    ScanFigures figures;
    figures.seconds = double(clock.nsecsElapsed()) / 1e9;
    const ProcessUsage after = processUsage();
    figures.cpuSeconds = after.cpuSeconds - before.cpuSeconds;
    figures.switches = after.switches - before.switches;
    figures.readings = line.timedLoops * MeasuredPerLoop;
    figures.bytesPerReading = bytesPerReading(radio, levelsBefore, figures.readings);
    window.cmdStopTest->click();
    runUntil(&engine, &engine::EngineThread::scanEnded, [&] { return !engine.ScanActive(); });
    return figures;
}

// korlan-record as a process: timed between the lines it prints for loop 1 and the last loop
// timed.
std::optional<ScanFigures> timeRecorderScan(const Line& line) {
    testing::SimRadio radio;
    if (!radio.start(line.simOptions))
        return std::nullopt;
    QTemporaryDir folder;
    QProcess recorder;
    const ProcessUsage before = processUsage(RUSAGE_CHILDREN);
    recorder.start(QStringLiteral(KORLAN_RECORD_PATH),
                   {QStringLiteral("--device"), radio.device(), QStringLiteral("--loops"),
                    QString::number(2 + line.timedLoops), QStringLiteral("--output"),
                    folder.path()});
    QElapsedTimer clock;
    std::optional<qint64> lastLoopAt;
    const QByteArray lastTimed = "loop " + QByteArray::number(1 + line.timedLoops) + ' ';
    QObject::connect(&recorder, &QProcess::readyReadStandardOutput, [&] {
        while (recorder.canReadLine()) {
            const QByteArray printed = recorder.readLine();
            if (printed.startsWith("loop 1 "))
                clock.start();
            else if (printed.startsWith(lastTimed))
                lastLoopAt = clock.nsecsElapsed();
        }
    });
    if (!runUntil(&recorder, &QProcess::readyReadStandardOutput,
                  [&] { return lastLoopAt.has_value(); }))
        return std::nullopt;
    if (!recorder.waitForFinished(60000))
        return std::nullopt;
    const ProcessUsage after = processUsage(RUSAGE_CHILDREN);
    ScanFigures figures;
    figures.seconds = double(*lastLoopAt) / 1e9;
    figures.readings = line.timedLoops * MeasuredPerLoop;
    // The recorder's whole run (start-up, handshake and every loop), per reading.
    const int recordedReadings = (2 + line.timedLoops) * MeasuredPerLoop;
    figures.cpuSeconds =
        (after.cpuSeconds - before.cpuSeconds) * figures.readings / recordedReadings;
    figures.switches = (after.switches - before.switches) * figures.readings / recordedReadings;
    figures.bytesPerReading = bytesPerReading(radio, MeasuredPerLoop, figures.readings);
    return figures;
}

// Blocking writes and reads on the pseudo-terminal, one request at a time: the round-trip rate
// of the line and the simulated radio alone.
std::optional<ScanFigures> timeBareClient(const Line& line) {
    testing::SimRadio radio;
    if (!radio.start(line.simOptions))
        return std::nullopt;
    const int fd = ::open(radio.device().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    termios mode{};
    tcgetattr(fd, &mode);
    cfmakeraw(&mode);
    tcsetattr(fd, TCSANOW, &mode);
    const auto send = [fd](const QByteArray& text) {
        return ::write(fd, text.constData(), size_t(text.size())) == text.size();
    };
    const auto readUntil = [fd](const QByteArray& end) {
        QByteArray got;
        char chunk[256];
        while (!got.contains(end)) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n <= 0)
                return false;
            got.append(chunk, n);
        }
        return true;
    };
    bool ok = send("\x1b\r\n") && readUntil(">") && send("PASS QK47\r") && readUntil("SETUP>");
    const int readings = line.timedLoops * MeasuredPerLoop;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; ok && i < readings; ++i) {
        const QByteArray frequency =
            QByteArray::number(902.2 + 0.2 * (i % MeasuredPerLoop), 'f', 1);
        ok = send("RX " + frequency + "\rRSSI!\r") && readUntil("dBm\r\nSETUP>");
    }
    ScanFigures figures;
    figures.seconds = double(clock.nsecsElapsed()) / 1e9;
    figures.readings = readings;
    ::close(fd);
    if (!ok)
        return std::nullopt;
    figures.bytesPerReading = bytesPerReading(radio, 0, readings);
    return figures;
}

void WindowPaced(benchmark::State& state) {
    for (auto _ : state)
        report(state, timeWindowScan(Paced), Paced);
}
BENCHMARK(WindowPaced)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void WindowUnpaced(benchmark::State& state) {
    for (auto _ : state)
        report(state, timeWindowScan(Unpaced), Unpaced);
}
BENCHMARK(WindowUnpaced)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// The recorder and, just before it on a radio of its own, the bare client: the machine's load
// changes from minute to minute, and the ratio of two rates taken together is steadier than
// either rate.
void timeRecorderBesideBareClient(benchmark::State& state, const Line& line) {
    const std::optional<ScanFigures> bare = timeBareClient(line);
    const std::optional<ScanFigures> recorder = timeRecorderScan(line);
    report(state, recorder, line);
    if (!bare || !recorder)
        return;
    const double bareRate = bare->readings / bare->seconds;
    state.counters["bare_client_per_s"] = bareRate;
    state.counters["of_bare_client"] = recorder->readings / recorder->seconds / bareRate;
}

void RecorderPaced(benchmark::State& state) {
    for (auto _ : state)
        timeRecorderBesideBareClient(state, Paced);
}
BENCHMARK(RecorderPaced)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void RecorderUnpaced(benchmark::State& state) {
    for (auto _ : state)
        timeRecorderBesideBareClient(state, Unpaced);
}
BENCHMARK(RecorderUnpaced)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

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
