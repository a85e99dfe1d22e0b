// SPDX-License-Identifier: MIT
// The cost of drawing one channel slot in bar and in line mode on a plot of the real size
// (533 x 213 pixels), and of a whole 192-channel sweep, with and without the widget's repaints.
#include "display/freq_axis.h"
#include "display/level_axis.h"
#include "display/plot_renderer.h"
#include "display/plot_view.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

using namespace display;

constexpr int PlotLeft = 1215;
constexpr int OfferedWidth = 7995; // twips
constexpr int PlotHeight = 3195;   // twips
const QSize PictureSize(533, 213);

struct Plot {
    FreqAxis axis;
    PlotGeometry geometry;
    std::array<ChannelDraw, scan::ChannelCount> channels{};
};

// The start-up range (128 slots) or the widest one (193 slots, every channel on the plot).
Plot makePlot(bool widest) {
    scan::FrequencyLimits limits;
    if (widest) {
        limits.FreqLowLimit = 8958;
        limits.FreqHighLimit = 9340;
    }
    Plot plot;
    plot.axis = BuildFreqAxis(limits, PlotLeft, OfferedWidth, PlotHeight);
    const LevelScale scale = ComputeLevelScale(-40, -120, PlotHeight);
    plot.geometry.ChanWidth = plot.axis.ChanWidth;
    plot.geometry.BarGap = plot.axis.BarGap;
    plot.geometry.PixelsPerDb = scale.PixelsPerDb;
    plot.geometry.TwipsPerDb = scale.TwipsPerDb;
    plot.geometry.LowBandChannels = plot.axis.LowBandChannels;
    plot.geometry.PlotHeight = PlotHeight;
    for (int chan = 0; chan < scan::ChannelCount; ++chan) {
        ChannelDraw& c = plot.channels[chan];
        c.Chan = chan;
        c.Level = 60 + (chan * 37) % 55;
        c.Reading.Last = qint16(c.Level);
        c.Reading.Peak = qint16(c.Level - 8);
        c.Reading.Sum = (c.Level + 3) * 10;
        c.Reading.Count = 10;
    }
    return plot;
}

PlotOptions liveOptions(bool lineMode) {
    PlotOptions options;
    options.LineMode = lineMode;
    options.ScanActive = true;
    options.ScrollAtMax = true;
    return options;
}

void prepare(PlotRenderer& renderer, const Plot& plot) {
    renderer.setSeparators(plot.axis.Separators);
    renderer.Cls();
}

void DrawChannel(benchmark::State& state) {
    const bool lineMode = state.range(0) != 0;
    const Plot plot = makePlot(false);
    const PlotOptions options = liveOptions(lineMode);
    PlotRenderer renderer(PictureSize);
    prepare(renderer, plot);
    const int firstChan = channelOfSlot(0, plot.geometry.LowBandChannels);
    int slot = 0;
    for (auto _ : state) {
        const DrawResult result =
            renderer.DrawChannel(plot.geometry, options, plot.channels[firstChan + slot]);
        benchmark::DoNotOptimize(result);
        slot = (slot + 1) % plot.axis.Slots;
    }
    state.SetLabel(lineMode ? "line" : "bar");
}
BENCHMARK(DrawChannel)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void FullSweep(benchmark::State& state) {
    const bool lineMode = state.range(0) != 0;
    const Plot plot = makePlot(true);
    const PlotOptions options = liveOptions(lineMode);
    PlotRenderer renderer(PictureSize);
    prepare(renderer, plot);
    for (auto _ : state) {
        for (const ChannelDraw& channel : plot.channels)
            benchmark::DoNotOptimize(renderer.DrawChannel(plot.geometry, options, channel));
    }
    state.SetLabel(lineMode ? "line, 192 channels" : "bar, 192 channels");
    state.SetItemsProcessed(state.iterations() * scan::ChannelCount);
}
BENCHMARK(FullSweep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// As the window sees it: the event loop runs after every reading, and the shown widget paints
// the slots drawn into its picture and repaints them at most once a frame.
void FullSweepShown(benchmark::State& state) {
    const bool lineMode = state.range(0) != 0;
    const Plot plot = makePlot(true);
    const PlotOptions options = liveOptions(lineMode);
    PlotView view;
    view.resize(PictureSize + QSize(2 * view.frameWidth(), 2 * view.frameWidth()));
    view.setSeparators(plot.axis.Separators);
    view.Cls();
    view.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        for (const ChannelDraw& channel : plot.channels) {
            view.DrawChannel(plot.geometry, options, channel);
            QCoreApplication::processEvents();
        }
    }
    state.SetLabel(lineMode ? "line, 192 channels, repainted" : "bar, 192 channels, repainted");
    state.SetItemsProcessed(state.iterations() * scan::ChannelCount);
}
BENCHMARK(FullSweepShown)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // The picture needs a GUI application; no screen is needed.
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
