// SPDX-License-Identifier: MIT
// Playback of a long survey through the window: opening a scan file of 100,000 loops (60 MB),
// showing any loop of it, stepping through consecutive loops, and the memory that takes.
#include "app/frm_specan.h"
#include "app/msg_box.h"
#include "display/plot_view.h"
#include "recording/scan_record.h"
#include "settings/ini_file.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

app::frmSpecAn* g_window = nullptr;
QString g_dataFolder;

long maxRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A scan of the given number of loops whose levels vary from loop to loop and channel to channel.
QString writeSurvey(int loops) {
    const QString path = QDir(g_dataFolder).filePath(QStringLiteral("survey-%1.dat").arg(loops));
    if (QFile::exists(path))
        return path;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QByteArray chunk;
    for (int n = 1; n <= loops; ++n) {
        recording::ScanRecord record;
        record.LoopNumber = n;
        record.LoopStartText = QByteArrayLiteral("06-01-2024  10:00:00");
        record.LastCodes.resize(192);
        for (int c = 0; c < 192; ++c)
            record.LastCodes[c] = char(c < 32 || c > 159 ? 201 : 60 + (n * 7 + c * 13) % 55);
        record.PeakCodes = record.AverageCodes = record.LastCodes;
        chunk += record.toBytes();
        if (chunk.size() > (1 << 20) || n == loops) {
            file.write(chunk);
            chunk.clear();
        }
    }
    return path;
}

// Opens a scan through the engine and returns once the window has it on display.
bool openSurvey(const QString& path) {
    QEventLoop shown;
    bool opened = false;
    const QMetaObject::Connection done =
        QObject::connect(&g_window->engine(), &engine::EngineThread::scanFileOpened, &shown, [&] {
            opened = true;
            shown.quit();
        });
    QObject::connect(&g_window->engine(), &engine::EngineThread::failure, &shown,
                     &QEventLoop::quit);
    g_window->engine().OpenScanFile(path, false);
    QTimer::singleShot(60000, &shown, &QEventLoop::quit);
    shown.exec();
    QObject::disconnect(done);
    return opened;
}

// Every loop shown is also on the screen: the picture is repainted before the clock stops.
void showLoop(int n) {
    g_window->findChild<QScrollBar*>(QStringLiteral("scrollTime"))->setValue(n);
    g_window->findChild<display::PlotView*>(QStringLiteral("frDisplay"))->repaint();
}

void OpenSurvey(benchmark::State& state) {
    const QString path = writeSurvey(int(state.range(0)));
    const long rssBefore = maxRssKb();
    for (auto _ : state) {
        if (!openSurvey(path))
            state.SkipWithError("the survey did not open");
        g_window->findChild<display::PlotView*>(QStringLiteral("frDisplay"))->repaint();
    }
    state.counters["loops"] =
        double(g_window->findChild<QScrollBar*>(QStringLiteral("scrollTime"))->maximum());
    state.counters["max_rss_growth_kb"] = double(maxRssKb() - rssBefore);
}
BENCHMARK(OpenSurvey)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void ShowAnyLoop(benchmark::State& state) {
    openSurvey(writeSurvey(100000));
    QRandomGenerator random(7);
    for (auto _ : state)
        showLoop(1 + int(random.bounded(100000)));
}
BENCHMARK(ShowAnyLoop)->Unit(benchmark::kMillisecond);

void StepThroughThousandLoops(benchmark::State& state) {
    openSurvey(writeSurvey(int(state.range(0))));
    const long rssBefore = maxRssKb();
    for (auto _ : state)
        for (int n = 1; n <= 1000; ++n)
            showLoop(int(state.range(0)) / 2 + n);
    state.counters["max_rss_growth_kb"] = double(maxRssKb() - rssBefore);
}
BENCHMARK(StepThroughThousandLoops)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    app::setMsgBoxAnswerer([](const app::MsgBoxCall&) { return app::MsgBoxAnswer::Ok; });
    QTemporaryDir folder;
    settings::IniFile ini(folder.filePath(QStringLiteral("KorlanSpecAn.ini")));
    for (int n = 1; n <= 10; ++n)
        ini.WriteIni(QStringLiteral("Ports"), QStringLiteral("Com%1").arg(n),
                     folder.filePath(QStringLiteral("no-port")));
    app::frmSpecAn window;
    g_window = &window;
    window.Form_Load(folder.path());
    window.show();
    g_dataFolder = window.dataFolder();
    QCoreApplication::processEvents();

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_window = nullptr;
    return 0;
}
