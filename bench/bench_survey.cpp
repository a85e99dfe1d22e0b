// SPDX-License-Identifier: MIT
// Reading whole surveys: the rtl_power CSV export, the survey report, the comparison of two
// surveys, the report's PDF and the waterfall of scans of 10,000 and 100,000 loops (6 and 60 MB),
// the peak memory of korlan-scan doing each (it must not grow with the scan), and the cost of one
// new loop in the waterfall window during a scan.
#include "display/frm_waterfall.h"
#include "display/waterfall_image.h"
#include "display/waterfall_picture.h"
#include "display/waterfall_view.h"
#include "survey/frm_survey_report.h"
#include "survey/report_pdf.h"
#include "survey/rtl_power_csv.h"
#include "survey/scan_reader.h"
#include "survey/survey_compare.h"
#include "survey/survey_counts.h"
#include "survey/survey_report.h"
#include "tests/support/scan_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int WaterfallRows = 1000;

// Noise between -104 and -111 dBm, a carrier, and a few short bursts, as a long survey holds.
QByteArray surveyLoop(qint64 n) {
    QByteArray codes = testing::startupLoopCodes(108);
    quint32 state = quint32(n * 2654435761u);
    for (int c = 32; c < 160; ++c) {
        state = state * 1664525u + 1013904223u;
        codes[c] = char(104 + (state >> 24) % 8);
    }
    codes[96] = char(55);
    if (n % 97 == 0)
        codes[32 + (n / 97) % 128] = char(60 + n % 20);
    return codes;
}

QTemporaryDir& folder() {
    static QTemporaryDir dir;
    return dir;
}

// The scan of that many loops, written once.
QString scanOf(qint64 loops) {
    static std::map<qint64, QString> scans;
    auto found = scans.find(loops);
    if (found != scans.end())
        return found->second;
    const QString path = folder().filePath(QStringLiteral("survey-%1.dat").arg(loops));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    for (qint64 n = 1; n <= loops; ++n)
        file.write(testing::loopRecord(qint32(n), surveyLoop(n)).toBytes());
    scans[loops] = path;
    return path;
}

// The scan of the benchmark's size, written before the timing starts.
void prepare(benchmark::State& state) {
    if (scanOf(state.range(0)).isEmpty())
        state.SkipWithError("the scan could not be written");
}

void open(survey::ScanReader& reader, benchmark::State& state) {
    if (!reader.open(scanOf(state.range(0))))
        state.SkipWithError("the scan could not be opened");
}

void LoopsCsv(benchmark::State& state) {
    prepare(state);
    const QString out = folder().filePath(QStringLiteral("loops.csv"));
    qint64 bytes = 0;
    for (auto _ : state) {
        survey::ScanReader reader;
        open(reader, state);
        QFile file(out);
        QString error;
        if (!file.open(QIODevice::WriteOnly) || !survey::writeLoopsCsv(reader, file, &error))
            state.SkipWithError("the CSV could not be written");
        bytes = file.size();
    }
    state.counters["csv_MB"] = double(bytes) / 1e6;
}
BENCHMARK(LoopsCsv)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The report with every figure: the threshold over the measured floor, intervals, runs, band
// occupancy, busiest hour and a link's margin.
survey::ReportSettings everyFigure() {
    survey::ReportSettings settings;
    settings.Threshold = {true, 10};
    settings.Link = survey::LinkBudget{-75, 15};
    return settings;
}

void Report(benchmark::State& state) {
    prepare(state);
    for (auto _ : state) {
        survey::ScanReader reader;
        open(reader, state);
        const survey::SurveyReport report =
            survey::makeReport(survey::countLoops(reader), everyFigure());
        benchmark::DoNotOptimize(survey::rankingTable(report));
    }
}
BENCHMARK(Report)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Two surveys of that many loops compared, as `korlan-scan compare` does.
void Compare(benchmark::State& state) {
    prepare(state);
    for (auto _ : state) {
        survey::ScanReader before;
        survey::ScanReader after;
        open(before, state);
        open(after, state);
        const survey::SurveyComparison comparison = survey::compareSurveys(
            survey::countLoops(before), survey::countLoops(after), everyFigure().Threshold);
        benchmark::DoNotOptimize(survey::comparisonTable(comparison, "before", "after"));
    }
}
BENCHMARK(Compare)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The report as PDF pages, as `korlan-scan report --pdf` makes it: the loops counted, then read
// again for the waterfall and the plot of the last one.
void ReportPdf(benchmark::State& state) {
    prepare(state);
    const QString out = folder().filePath(QStringLiteral("report.pdf"));
    for (auto _ : state) {
        survey::ScanReader reader;
        open(reader, state);
        const survey::SurveyReport report =
            survey::makeReport(survey::countLoops(reader), everyFigure());
        QString error;
        if (!survey::saveReportPdf(report, QStringLiteral("survey"), reader, out, &error))
            state.SkipWithError("the PDF could not be written");
    }
    state.counters["pdf_kB"] = double(QFileInfo(out).size()) / 1e3;
}
BENCHMARK(ReportPdf)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The waterfall of the whole scan in 1,000 rows, and with its axes as the picture.
void Waterfall(benchmark::State& state) {
    prepare(state);
    for (auto _ : state) {
        survey::ScanReader reader;
        open(reader, state);
        display::WaterfallImage waterfall(WaterfallRows);
        waterfall.render(reader);
        benchmark::DoNotOptimize(waterfall.image().constBits());
    }
}
BENCHMARK(Waterfall)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void WaterfallPicture(benchmark::State& state) {
    prepare(state);
    for (auto _ : state) {
        survey::ScanReader reader;
        open(reader, state);
        display::WaterfallImage waterfall(WaterfallRows);
        waterfall.render(reader);
        const QImage picture =
            display::waterfallPicture(waterfall, QStringLiteral("survey"), WaterfallRows);
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(WaterfallPicture)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Peak resident memory of korlan-scan running one command on the scan, in MB.
double toolPeakMegabytes(const QStringList& arguments) {
    std::vector<QByteArray> bytes;
    for (const QString& argument : arguments)
        bytes.push_back(argument.toLocal8Bit());
    std::vector<char*> argv{const_cast<char*>(KORLAN_SCAN_PATH)};
    for (QByteArray& argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        freopen("/dev/null", "w", stdout);
        execv(KORLAN_SCAN_PATH, argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss / 1024.0;
}

// Arg 0: 0 csv, 1 report, 2 waterfall, 3 compare, 4 report with every figure and its PDF.
// Arg 1: loops.
void ToolPeakMemory(benchmark::State& state) {
    const QString scan = scanOf(state.range(1));
    const QString csv = folder().filePath(QStringLiteral("tool.csv"));
    const QString png = folder().filePath(QStringLiteral("tool.png"));
    const QString pdf = folder().filePath(QStringLiteral("tool.pdf"));
    const QStringList commands[] = {
        {"csv", scan, csv},
        {"report", scan},
        {"waterfall", scan, png, "--height", "1000"},
        {"compare", scan, scan, "--threshold", "floor+10"},
        {"report", scan, "--threshold", "floor+10", "--signal", "-75", "--pdf", pdf}};
    double megabytes = 0;
    for (auto _ : state)
        megabytes = toolPeakMegabytes(commands[state.range(0)]);
    if (megabytes < 0)
        state.SkipWithError("korlan-scan failed");
    state.counters["peak_rss_MB"] = megabytes;
    state.counters["scan_MB"] = double(QFile(scan).size()) / 1e6;
}
BENCHMARK(ToolPeakMemory)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {10000, 100000}})
    ->ArgNames({"command", "loops"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// One loop's end during a scan: the record goes into the waterfall image (one row written or
// merged; pairs of rows merged when the rows are full) ...
void AppendLoopToImage(benchmark::State& state) {
    survey::ScanReader reader;
    open(reader, state);
    display::WaterfallImage waterfall(WaterfallRows);
    waterfall.render(reader);
    qint64 n = waterfall.loops();
    for (auto _ : state) {
        ++n;
        if (!waterfall.addLoop(
                *survey::loopOfRecord(testing::loopRecord(qint32(n), surveyLoop(n)))))
            state.SkipWithError("the loop was refused");
    }
}
BENCHMARK(AppendLoopToImage)->Arg(100000)->Unit(benchmark::kMicrosecond);

// ... and into the window, which then repaints what changed, as a live scan drives it.
void AppendLoopToWindow(benchmark::State& state) {
    QWidget owner;
    display::frmWaterfall window(&owner);
    if (!window.openScan(scanOf(state.range(0))))
        state.SkipWithError("the scan could not be opened");
    window.show();
    // Showing the window gives the view its size; the scan is read again for it.
    QElapsedTimer settling;
    settling.start();
    while (settling.elapsed() < 500)
        QApplication::processEvents();
    // The window gets the record the main window has just written.
    recording::ScanRecord record = testing::loopRecord(1, surveyLoop(1));
    qint64 n = window.view->waterfall().loops();
    for (auto _ : state) {
        ++n;
        record.LoopNumber = qint32(n);
        record.LastCodes = surveyLoop(n);
        window.appendLoop(record);
        QApplication::processEvents(); // paints what the loop changed
    }
    state.counters["rows"] = window.view->waterfall().rowsUsed();
}
BENCHMARK(AppendLoopToWindow)->Arg(100000)->Unit(benchmark::kMicrosecond);

// A loop's end in the Survey Report window over a long scan: its counts, its figures and the
// cells whose text changed, then the repaint.
void AppendLoopToReport(benchmark::State& state) {
    QWidget owner;
    survey::frmSurveyReport window(&owner);
    if (!window.openScan(scanOf(state.range(0))))
        state.SkipWithError("the scan could not be opened");
    window.show();
    QApplication::processEvents();
    recording::ScanRecord record = testing::loopRecord(1, surveyLoop(1));
    qint64 n = window.report().Loops;
    const qint64 cellsBefore = window.cellsWritten();
    for (auto _ : state) {
        ++n;
        record.LoopNumber = qint32(n);
        record.LastCodes = surveyLoop(n);
        window.appendLoop(record);
        window.refresh();              // as if the loop came after a pause
        QApplication::processEvents(); // paints what the loop changed
    }
    state.counters["cells_per_loop"] = benchmark::Counter(
        double(window.cellsWritten() - cellsBefore), benchmark::Counter::kAvgIterations);
}
BENCHMARK(AppendLoopToReport)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The same in a scan's first loops, when most figures change at every loop: each iteration opens
// a scan of ten loops and adds ten more.
void AppendEarlyLoopsToReport(benchmark::State& state) {
    QWidget owner;
    survey::frmSurveyReport window(&owner);
    window.show();
    recording::ScanRecord record = testing::loopRecord(1, surveyLoop(1));
    qint64 cells = 0;
    for (auto _ : state) {
        state.PauseTiming();
        window.openScan(scanOf(10));
        QApplication::processEvents();
        const qint64 before = window.cellsWritten();
        state.ResumeTiming();
        for (qint64 n = 11; n <= 20; ++n) {
            record.LoopNumber = qint32(n);
            record.LastCodes = surveyLoop(n);
            window.appendLoop(record);
            window.refresh();
            QApplication::processEvents();
        }
        cells += window.cellsWritten() - before;
    }
    state.counters["cells_per_loop"] = double(cells) / double(state.iterations() * 10);
    state.SetItemsProcessed(state.iterations() * 10);
}
BENCHMARK(AppendEarlyLoopsToReport)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
