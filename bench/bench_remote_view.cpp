// SPDX-License-Identifier: MIT
// A remote radio watched by the window: from the moment korlan-record says a loop has ended to
// the moment the window, watching that site through a Mosquitto broker, has drawn the loop.
// korlan-record prints its "loop N" line as the loop ends, before it publishes the loop; the line
// is read from a pipe by a thread of the benchmark's own, so that a busy window does not delay its
// time stamp. The window's moment is its remoteLoopsShown signal, once the loop is on the plot.
// The simulated radio is paced at about half a second a loop; the median and the 99th percentile
// are taken over the last TimedLoops loops.
#include "app/frm_remote_radio.h"
#include "app/frm_specan.h"
#include "app/msg_box.h"
#include "core/program_state.h"
#include "settings/ini_file.h"
#include "tests/support/mqtt_broker.h"
#include "tests/support/sim_radio.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListWidget>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

constexpr int TimedLoops = 40;
constexpr int RecordedLoops = TimedLoops + 6; // the first ones pass while the site is chosen
constexpr int BoundMs = 120000;

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Runs the event loop until the condition holds, looking every few milliseconds; false after the
// bound.
template <typename Condition> bool waitFor(Condition condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < BoundMs) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return condition();
}

// korlan-record's standard output through a named pipe that a thread reads line by line; each
// "loop N" line's arrival time is handed to the owner's thread.
class LoopLines : public QObject {
    Q_OBJECT

public:
    explicit LoopLines(const QString& fifo) : m_fifo(QFile::encodeName(fifo)) {
        mkfifo(m_fifo.constData(), 0600);
        m_reader = std::thread([this] { read(); });
    }
    ~LoopLines() override { m_reader.join(); }

    QMap<qint32, Clock::time_point> ended;

private:
    void read() {
        FILE* pipe = std::fopen(m_fifo.constData(), "r");
        if (!pipe)
            return;
        char line[256];
        while (std::fgets(line, sizeof line, pipe)) {
            const Clock::time_point now = Clock::now();
            int loop = 0;
            if (std::sscanf(line, "loop %d", &loop) == 1)
                QMetaObject::invokeMethod(
                    this, [this, loop, now] { ended.insert(loop, now); }, Qt::QueuedConnection);
        }
        std::fclose(pipe);
    }

    QByteArray m_fifo;
    std::thread m_reader;
};

struct Latencies {
    std::vector<double> ms; // sorted
    double percentile(double p) const {
        const size_t rank = size_t(std::ceil(p / 100.0 * double(ms.size())));
        return ms[std::clamp<size_t>(rank, 1, ms.size()) - 1];
    }
};

std::optional<Latencies> watchARecorder(QString* problem) {
    testing::MqttBroker broker;
    testing::SimRadio radio;
    QTemporaryDir folder;
    if (!broker.start() || !radio.start({QStringLiteral("--latency-ms"), QStringLiteral("3")})) {
        *problem = broker.error() + radio.error();
        return std::nullopt;
    }
    settings::IniFile ini(folder.filePath(QStringLiteral("KorlanSpecAn.ini")));
    for (int port = 1; port <= 10; ++port)
        ini.WriteIni(QStringLiteral("Ports"), QStringLiteral("Com%1").arg(port),
                     QStringLiteral("/nonexistent"));
    ini.WriteIni(QStringLiteral("Remote"), QStringLiteral("Broker"), broker.url());
    core::modMain() = core::MainModule{};
    app::frmSpecAn window;
    window.Form_Load(folder.path());
    window.show();

    QMap<qint32, Clock::time_point> drawn;
    qint32 shown = 0;
    QObject::connect(&window, &app::frmSpecAn::remoteLoopsShown, [&](qint32 n) {
        const Clock::time_point now = Clock::now();
        for (; shown < n; ++shown)
            drawn.insert(window.remoteView()->arrived()[shown].loop, now);
    });

    LoopLines lines(folder.filePath(QStringLiteral("recorder-output")));
    QProcess recorder;
    recorder.setStandardOutputFile(folder.filePath(QStringLiteral("recorder-output")));
    recorder.start(KORLAN_RECORD_PATH,
                   {QStringLiteral("--device"), radio.device(), QStringLiteral("--loops"),
                    QString::number(RecordedLoops), QStringLiteral("--output"), folder.path(),
                    QStringLiteral("--publish"), broker.url(), QStringLiteral("--site"),
                    QStringLiteral("north")});

    window.findChild<QAction*>(QStringLiteral("mnuRemoteRadio"))->trigger();
    app::frmRemoteRadio* dialog = window.remoteRadioDialog();
    if (!dialog || !waitFor([dialog] { return dialog->lstSites->count() > 0; })) {
        *problem = QStringLiteral("the site was not listed");
        return std::nullopt;
    }
    dialog->lstSites->setCurrentRow(0);
    dialog->cmdOK->click();
    const bool done = waitFor([&] {
        return recorder.state() == QProcess::NotRunning && lines.ended.contains(RecordedLoops) &&
               drawn.contains(RecordedLoops);
    });
    if (!done) {
        *problem = QStringLiteral("the last loop was not drawn: %1")
                       .arg(QString::fromLocal8Bit(recorder.readAllStandardError()));
        recorder.kill();
        recorder.waitForFinished();
        return std::nullopt;
    }
    Latencies latencies;
    for (qint32 loop = RecordedLoops - TimedLoops + 1; loop <= RecordedLoops; ++loop) {
        if (!lines.ended.contains(loop) || !drawn.contains(loop)) {
            *problem = QStringLiteral("loop %1 was not timed").arg(loop);
            return std::nullopt;
        }
        latencies.ms.push_back(msBetween(lines.ended[loop], drawn[loop]));
    }
    std::sort(latencies.ms.begin(), latencies.ms.end());
    return latencies;
}

void LoopEndToRemoteWindow(benchmark::State& state) {
    for (auto _ : state) {
        QString problem;
        const auto latencies = watchARecorder(&problem);
        if (!latencies) {
            state.SkipWithError(problem.toLocal8Bit().constData());
            return;
        }
        state.SetIterationTime(latencies->percentile(50) / 1000.0);
        state.counters["median_ms"] = latencies->percentile(50);
        state.counters["p99_ms"] = latencies->percentile(99);
        state.counters["max_ms"] = latencies->ms.back();
        state.counters["loops"] = double(latencies->ms.size());
    }
}
BENCHMARK(LoopEndToRemoteWindow)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

#include "bench_remote_view.moc"

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
