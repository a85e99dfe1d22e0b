// SPDX-License-Identifier: MIT
// The per-character cost of the reply parser, inside replies and inside a long noise stream, and
// the cost of one readings-model update.
#include "radio/reply_parser.h"
#include "scan/readings.h"

#include <benchmark/benchmark.h>

namespace {

// One receive event per character, as the port raises them.
void feedOneByOne(radio::ReplyParser& parser, const QByteArray& bytes, qint64& replies) {
    for (char c : bytes) {
        parser.append(QByteArrayView(&c, 1));
        if (parser.takeReply())
            ++replies;
    }
}

void ParserInsideReplies(benchmark::State& state) {
    QByteArray stream;
    for (int i = 0; i < 192; ++i)
        stream += QByteArrayLiteral("RX 902.2\r\n-87 dBm\r\nSETUP>");
    radio::ReplyParser parser;
    qint64 replies = 0;
    for (auto _ : state)
        feedOneByOne(parser, stream, replies);
    benchmark::DoNotOptimize(replies);
    state.SetItemsProcessed(state.iterations() * stream.size());
    state.counters["ns_per_char"] =
        benchmark::Counter(double(state.iterations() * stream.size()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(ParserInsideReplies)->Unit(benchmark::kMillisecond);

// Noise with no terminator: the state argument is the stream length in MB, up to 20 MB. The cost
// per character must stay flat as the stream (and so the unbounded buffer it would make) grows.
void ParserInsideNoise(benchmark::State& state) {
    const qsizetype length = state.range(0) * 1024 * 1024;
    QByteArray noise(length, '\0');
    for (qsizetype i = 0; i < length; ++i)
        noise[i] = char('a' + (i * 7919) % 23);
    qint64 replies = 0;
    qsizetype largestBuffer = 0;
    for (auto _ : state) {
        radio::ReplyParser parser;
        feedOneByOne(parser, noise, replies);
        largestBuffer = std::max(largestBuffer, parser.RxBuffer().size());
    }
    benchmark::DoNotOptimize(replies);
    state.SetItemsProcessed(state.iterations() * length);
    state.counters["ns_per_char"] =
        benchmark::Counter(double(state.iterations() * length),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["buffer_bytes"] = double(largestBuffer);
}
BENCHMARK(ParserInsideNoise)->Arg(1)->Arg(5)->Arg(20)->Unit(benchmark::kMillisecond)->Iterations(1);

void ReadingsModelUpdate(benchmark::State& state) {
    scan::ReadingsModel model;
    int chan = 0;
    for (auto _ : state) {
        model.UpdateChannelReading(chan, -87 - chan % 20, 0);
        if (++chan == scan::ChannelCount) {
            chan = 0;
            model.codes().clear();
        }
    }
    state.counters["ns_per_update"] = benchmark::Counter(
        double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(ReadingsModelUpdate);

} // namespace

BENCHMARK_MAIN();
