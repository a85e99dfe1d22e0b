// SPDX-License-Identifier: MIT
// Live scanning against the simulated radio, paced at 115200 baud and unpaced. Every figure is
// a ratio of two runs made in the same repetition, since the machine's load changes from minute
// to minute:
// - paced: the window's sweep rate as a fraction of a bare client's round trips on the same kind
//   of line (which nothing can beat), also while the window's thread is held up 150 ms out of
//   every 500 ms; korlan-record's likewise; each sweeping side by side with the bare client. The
//   window's CPU time per reading against korlan-record's;
// - unpaced: the window's sweep rate and CPU time per reading against korlan-record's;
// - paced with the Survey Report open, against the same with it closed; the CPU time of both, and
//   what the report adds on the window's thread as a share of the whole CPU time without it;
// - korlan-record publishing every loop to a broker against korlan-record alone, side by side.
// CPU time is what the process's threads ran while the timed loops were swept, read from
// /proc/<pid>/task/<tid>/schedstat. This machine's CPU time for the same work changes threefold
// from minute to minute, so the two CPU times are taken with the window and korlan-record
// scanning side by side, each on a radio of its own.
#include "app/frm_specan.h"
#include "app/msg_box.h"
#include "core/program_state.h"
#include "settings/ini_file.h"
#include "tests/support/mqtt_broker.h"
#include "tests/support/sim_radio.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int MeasuredPerLoop = 128; // 902.2 - 927.6 MHz

// The simulated radio's options and how many loops are timed. Paced, sixteen loops take about 8 s;
// unpaced they pass in a fraction of a second, so that more are timed. The Survey Report's cost
// comes in refreshes seconds apart, and its first loops cost more than later ones: it is timed over
// a longer scan.
struct Line {
    QStringList simOptions;
    int timedLoops;
};
const Line PacedLine{{QStringLiteral("--baud"), QStringLiteral("115200")}, 16};
const Line UnpacedLine{{}, 48};
const Line LongPacedLine{{QStringLiteral("--baud"), QStringLiteral("115200")}, 40};

// Seconds on a CPU so far: of all threads of a process, and of its main thread alone.
struct CpuTime {
    double all = 0;
    double main = 0;
};

CpuTime cpuTime(qint64 pid) {
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    CpuTime time;
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const double seconds = double(stat.readAll().split(' ').value(0).toLongLong()) / 1e9;
        time.all += seconds;
        if (task.toLongLong() == pid)
            time.main = seconds;
    }
    return time;
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

// A timed stretch of a scan: from the end of one loop to the end of a later one.
struct Sweep {
    double seconds = 0;
    CpuTime cpu; // nothing for the bare client
    int readings = 0;
    double rate() const { return readings / seconds; }
    double cpuPerReading() const { return cpu.all / readings; }
    double mainThreadCpuPerReading() const { return cpu.main / readings; }
};

class Stopwatch {
public:
    explicit Stopwatch(qint64 pid) : m_pid(pid) {}
    void start() {
        m_clock.start();
        m_cpuAtStart = cpuTime(m_pid);
    }
    Sweep stop(int readings) const {
        const CpuTime now = cpuTime(m_pid);
        return {double(m_clock.nsecsElapsed()) / 1e9,
                {now.all - m_cpuAtStart.all, now.main - m_cpuAtStart.main},
                readings};
    }

private:
    qint64 m_pid;
    QElapsedTimer m_clock;
    CpuTime m_cpuAtStart;
};

// Tells the event loop of the benchmark that a run has moved on.
class Progress : public QObject {
    Q_OBJECT

signals:
    void made();
};

// What else the window has to do while it scans: nothing, a timer that holds its thread up 150 ms
// out of every 500 ms, or the Survey Report open from the scan's start.
enum class Besides { Nothing, HeldUp, Report };

// A scan timed over Line::timedLoops loops once it is over.
struct TimedRun {
    virtual ~TimedRun() = default;
    std::optional<Sweep> timed;
};

// The analyser's window scanning on a radio of its own, timed from the end of its first loop,
// which includes the connection.
class WindowRun : public TimedRun {
public:
    WindowRun(const Line& line, Besides besides, Progress& progress,
              std::function<void()> timingStarted = {})
        : m_line(line), m_stopwatch(QCoreApplication::applicationPid()) {
        if (!m_radio.start(line.simOptions))
            return;
        settings::IniFile ini(m_folder.filePath(QStringLiteral("KorlanSpecAn.ini")));
        for (int port = 2; port <= 10; ++port)
            ini.WriteIni(QStringLiteral("Ports"), QStringLiteral("Com%1").arg(port),
                         QStringLiteral("/nonexistent"));
        ini.WriteIni(QStringLiteral("Ports"), QStringLiteral("Com1"), m_radio.device());
        ini.WriteIni(QStringLiteral("Program"), QStringLiteral("Port"), QStringLiteral("1"));
        core::modMain() = core::MainModule{};
        m_window.Form_Load(m_folder.path());
        m_window.show();
        QObject::connect(&m_busy, &QTimer::timeout, [] { QThread::msleep(150); });
        if (besides == Besides::HeldUp)
            m_busy.start(500);
        if (besides == Besides::Report)
            QObject::connect(
                &m_window.engine(), &engine::EngineThread::scanStarted, &progress, [this] {
                    m_window.findChild<QAction*>(QStringLiteral("mnuSurveyReport"))->trigger();
                });
        QObject::connect(&m_window.engine(), &engine::EngineThread::loopEnded, &progress,
                         [this, &progress, timingStarted](qint32 finished) {
                             if (finished == 1) {
                                 m_stopwatch.start();
                                 if (timingStarted)
                                     timingStarted();
                             } else if (finished == 1 + m_line.timedLoops)
                                 timed = m_stopwatch.stop(m_line.timedLoops * MeasuredPerLoop);
                             emit progress.made();
                         });
        m_window.findChild<QPushButton*>(QStringLiteral("cmdConnect"))->click();
    }
    ~WindowRun() override {
        m_busy.stop();
        m_window.findChild<QPushButton*>(QStringLiteral("cmdStopTest"))->click();
        const engine::EngineThread& engine = m_window.engine();
        runUntil(&engine, &engine::EngineThread::stateChanged,
                 [&] { return engine.state() == engine::EngineState::AskingSaveName; });
    }

private:
    const Line& m_line;
    testing::SimRadio m_radio;
    QTemporaryDir m_folder;
    app::frmSpecAn m_window;
    QTimer m_busy;
    Stopwatch m_stopwatch;
};

// korlan-record as a process on a radio of its own, timed between the lines it prints for loop 1
// and the last loop timed.
class RecorderRun : public TimedRun {
public:
    RecorderRun(const Line& line, Progress& progress, const QStringList& moreOptions = {},
                std::function<void()> timingStarted = {})
        : m_stopwatch(0) {
        if (!m_radio.start(line.simOptions))
            return;
        m_recorder.start(QStringLiteral(KORLAN_RECORD_PATH),
                         QStringList{QStringLiteral("--device"), m_radio.device(),
                                     QStringLiteral("--loops"),
                                     QString::number(2 + line.timedLoops),
                                     QStringLiteral("--output"), m_folder.path()} +
                             moreOptions);
        if (!m_recorder.waitForStarted(10000))
            return;
        m_stopwatch = Stopwatch(m_recorder.processId());
        const QByteArray lastTimed = "loop " + QByteArray::number(1 + line.timedLoops) + ' ';
        QObject::connect(&m_recorder, &QProcess::readyReadStandardOutput, &progress,
                         [this, &progress, lastTimed, timingStarted,
                          readings = line.timedLoops * MeasuredPerLoop] {
                             while (m_recorder.canReadLine()) {
                                 const QByteArray printed = m_recorder.readLine();
                                 if (printed.startsWith("loop 1 ")) {
                                     m_stopwatch.start();
                                     if (timingStarted)
                                         timingStarted();
                                 } else if (printed.startsWith(lastTimed))
                                     timed = m_stopwatch.stop(readings);
                             }
                             emit progress.made();
                         });
    }
    ~RecorderRun() override { m_recorder.waitForFinished(60000); }

private:
    testing::SimRadio m_radio;
    QTemporaryDir m_folder;
    QProcess m_recorder;
    Stopwatch m_stopwatch;
};

std::optional<Sweep> windowScan(const Line& line, Besides besides = Besides::Nothing) {
    Progress progress;
    WindowRun window(line, besides, progress);
    runUntil(&progress, &Progress::made, [&] { return window.timed.has_value(); });
    return window.timed;
}

std::optional<Sweep> recorderScan(const Line& line) {
    Progress progress;
    RecorderRun recorder(line, progress);
    runUntil(&progress, &Progress::made, [&] { return recorder.timed.has_value(); });
    return recorder.timed;
}

// The window and korlan-record scanning at the same time, each on a radio of its own: their CPU
// times are taken under the same conditions of the machine.
std::pair<std::optional<Sweep>, std::optional<Sweep>> sideBySide(const Line& line) {
    Progress progress;
    RecorderRun recorder(line, progress);
    WindowRun window(line, Besides::Nothing, progress);
    runUntil(&progress, &Progress::made,
             [&] { return window.timed.has_value() && recorder.timed.has_value(); });
    return {window.timed, recorder.timed};
}

// Blocking writes and reads on the pseudo-terminal, one request at a time: the round-trip rate
// of the line and the simulated radio alone. open() wakes and unlocks the radio; sweep() times
// the requests and may run on a thread of its own.
class BareClient {
public:
    explicit BareClient(const Line& line) : m_line(line) {}
    ~BareClient() {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool open() {
        if (!m_radio.start(m_line.simOptions))
            return false;
        m_fd = ::open(m_radio.device().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        if (m_fd < 0)
            return false;
        termios mode{};
        tcgetattr(m_fd, &mode);
        cfmakeraw(&mode);
        tcsetattr(m_fd, TCSANOW, &mode);
        return send("\x1b\r\n") && readUntil(">") && send("PASS QK47\r") && readUntil("SETUP>");
    }

    std::optional<Sweep> sweep() const {
        const int readings = m_line.timedLoops * MeasuredPerLoop;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < readings; ++i) {
            const QByteArray frequency =
                QByteArray::number(902.2 + 0.2 * (i % MeasuredPerLoop), 'f', 1);
            if (!send("RX " + frequency + "\rRSSI!\r") || !readUntil("dBm\r\nSETUP>"))
                return std::nullopt;
        }
        return Sweep{double(clock.nsecsElapsed()) / 1e9, {}, readings};
    }

private:
    bool send(const QByteArray& text) const {
        return ::write(m_fd, text.constData(), size_t(text.size())) == text.size();
    }
    bool readUntil(const QByteArray& end) const {
        QByteArray got;
        char chunk[256];
        while (!got.contains(end)) {
            const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
            if (n <= 0)
                return false;
            got.append(chunk, n);
        }
        return true;
    }

    const Line& m_line;
    testing::SimRadio m_radio;
    int m_fd = -1;
};

// A run of the window or of korlan-record beside the bare client, each on a radio of its own: the
// client sweeps on a thread of its own from the moment the run's timed loops start, so that both
// rates are taken under the same conditions of the machine. Taken one after the other, their
// ratio varied by 2 to 4 % from repetition to repetition here; side by side, by under 1 %.
using MakeRun = std::function<std::unique_ptr<TimedRun>(Progress&, std::function<void()>)>;
std::pair<std::optional<Sweep>, std::optional<Sweep>> besideBareClient(const Line& line,
                                                                       const MakeRun& makeRun) {
    BareClient client(line);
    if (!client.open())
        return {};
    Progress progress;
    std::optional<Sweep> bare;
    bool bareDone = false;
    std::thread sweeping;
    const auto run = makeRun(progress, [&] {
        if (sweeping.joinable())
            return;
        sweeping = std::thread([&] {
            bare = client.sweep();
            QMetaObject::invokeMethod(&progress, [&] {
                bareDone = true;
                emit progress.made();
            });
        });
    });
    runUntil(&progress, &Progress::made, [&] { return run->timed.has_value() && bareDone; });
    if (sweeping.joinable())
        sweeping.join();
    return {run->timed, bare};
}

void Paced(benchmark::State& state) {
    const auto window = [](Besides besides) -> MakeRun {
        return [besides](Progress& progress, std::function<void()> timingStarted) {
            return std::make_unique<WindowRun>(PacedLine, besides, progress, timingStarted);
        };
    };
    const MakeRun recorder = [](Progress& progress, std::function<void()> timingStarted) {
        return std::make_unique<RecorderRun>(PacedLine, progress, QStringList{}, timingStarted);
    };
    for (auto _ : state) {
        const auto [plain, bareBesidePlain] = besideBareClient(PacedLine, window(Besides::Nothing));
        const auto [heldUp, bareBesideHeldUp] =
            besideBareClient(PacedLine, window(Besides::HeldUp));
        const auto [recorderAlone, bareBesideRecorder] = besideBareClient(PacedLine, recorder);
        const auto [windowBeside, recorderBeside] = sideBySide(PacedLine);
        if (!plain || !bareBesidePlain || !heldUp || !bareBesideHeldUp || !recorderAlone ||
            !bareBesideRecorder || !windowBeside || !recorderBeside) {
            state.SkipWithError("a scan did not run");
            return;
        }
        state.SetIterationTime(plain->seconds);
        state.counters["window_of_bare_client"] = plain->rate() / bareBesidePlain->rate();
        state.counters["held_up_window_of_bare_client"] = heldUp->rate() / bareBesideHeldUp->rate();
        state.counters["recorder_of_bare_client"] =
            recorderAlone->rate() / bareBesideRecorder->rate();
        state.counters["window_cpu_us_per_reading"] = 1e6 * windowBeside->cpuPerReading();
        state.counters["recorder_cpu_us_per_reading"] = 1e6 * recorderBeside->cpuPerReading();
        state.counters["window_cpu_of_recorder"] =
            windowBeside->cpuPerReading() / recorderBeside->cpuPerReading();
        state.counters["readings_per_s"] = plain->rate();
    }
}
BENCHMARK(Paced)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// The paced sweep with the Survey Report open, against the sweep with it closed.
void PacedWithReport(benchmark::State& state) {
    for (auto _ : state) {
        const auto closed = windowScan(LongPacedLine);
        const auto open = windowScan(LongPacedLine, Besides::Report);
        if (!closed || !open) {
            state.SkipWithError("a scan did not run");
            return;
        }
        state.SetIterationTime(open->seconds);
        state.counters["report_open_of_closed"] = open->rate() / closed->rate();
        state.counters["closed_cpu_us_per_reading"] = 1e6 * closed->cpuPerReading();
        state.counters["open_cpu_us_per_reading"] = 1e6 * open->cpuPerReading();
        // The report works on the window's thread alone; the engine's thread does the same
        // work either way and only adds the machine's changes of speed.
        state.counters["report_cpu_share"] =
            (open->mainThreadCpuPerReading() - closed->mainThreadCpuPerReading()) /
            closed->cpuPerReading();
    }
}
BENCHMARK(PacedWithReport)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// korlan-record publishing every loop to a broker, beside one that does not, each on a radio of
// its own: the sweep rate and the CPU time per loop of the first as ratios of the second's.
void PacedPublishing(benchmark::State& state) {
    testing::MqttBroker broker;
    if (!broker.start()) {
        state.SkipWithError(qPrintable(broker.error()));
        return;
    }
    for (auto _ : state) {
        Progress progress;
        RecorderRun plain(LongPacedLine, progress);
        RecorderRun publishing(LongPacedLine, progress,
                               {QStringLiteral("--publish"), broker.url(), QStringLiteral("--site"),
                                QStringLiteral("north")});
        runUntil(&progress, &Progress::made,
                 [&] { return plain.timed.has_value() && publishing.timed.has_value(); });
        if (!plain.timed || !publishing.timed) {
            state.SkipWithError("a scan did not run");
            return;
        }
        state.SetIterationTime(publishing.timed->seconds);
        const double perLoop = 1e3 * MeasuredPerLoop;
        state.counters["publishing_rate_of_plain"] = publishing.timed->rate() / plain.timed->rate();
        state.counters["publishing_cpu_of_plain"] =
            publishing.timed->cpuPerReading() / plain.timed->cpuPerReading();
        state.counters["plain_cpu_ms_per_loop"] = perLoop * plain.timed->cpuPerReading();
        state.counters["publishing_cpu_ms_per_loop"] = perLoop * publishing.timed->cpuPerReading();
    }
}
BENCHMARK(PacedPublishing)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void Unpaced(benchmark::State& state) {
    for (auto _ : state) {
        const auto recorder = recorderScan(UnpacedLine);
        const auto window = windowScan(UnpacedLine);
        const auto [windowBeside, recorderBeside] = sideBySide(UnpacedLine);
        if (!recorder || !window || !windowBeside || !recorderBeside) {
            state.SkipWithError("a scan did not run");
            return;
        }
        state.SetIterationTime(window->seconds);
        state.counters["window_of_recorder"] = window->rate() / recorder->rate();
        state.counters["window_cpu_us_per_reading"] = 1e6 * windowBeside->cpuPerReading();
        state.counters["recorder_cpu_us_per_reading"] = 1e6 * recorderBeside->cpuPerReading();
        state.counters["window_cpu_of_recorder"] =
            windowBeside->cpuPerReading() / recorderBeside->cpuPerReading();
        state.counters["readings_per_s"] = window->rate();
    }
}
BENCHMARK(Unpaced)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

#include "bench_live_scan.moc"

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
