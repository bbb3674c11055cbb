// Load and layout of a generated conference log: the line store, the row
// table at 80 bytes and at the window width, and row queries near the end.
//   PELTO_BENCH_BYTES  size of the generated log (default 128M; K, M, G suffixes)
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchSupport.h"
#include "view/BvStrings.h"
#include "view/RowTable.h"

namespace {

// Fixed pitch as IPAGothic at an even pixel size: half width 8, full width 16.
class FixedMeasurer : public pelto::TextMeasurer {
public:
    explicit FixedMeasurer(int32_t clientWidth) : client_(clientWidth) {}
    int32_t Advance(uint16_t ch) override { return ch > 0xFF ? 16 : 8; }
    int32_t TabWidth() const override { return 32; }
    int32_t CharWidth() const override { return 8; }
    int32_t ClientWidth() const override { return client_; }

private:
    int32_t client_;
};

const bench::GeneratedLog& Log()
{
    static bench::GeneratedLog log("corebench");
    return log;
}

const pelto::TBvStrings& LoadedStore()
{
    static pelto::TBvStrings store;
    if (store.Count() == 0)
        store.LoadFromFile(Log().Path());
    return store;
}

void BM_LoadFromFile(benchmark::State& state)
{
    Log(); // generated outside the timing
    for (auto _ : state) {
        pelto::TBvStrings store;
        store.LoadFromFile(Log().Path());
        benchmark::DoNotOptimize(store.Count());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Log().Bytes()));
}
BENCHMARK(BM_LoadFromFile)->Unit(benchmark::kMillisecond);

// The same load read by one thread from the start.
void BM_LoadFromFileOneThread(benchmark::State& state)
{
    const size_t saved = pelto::TBvStrings::ParallelLoadThreshold();
    pelto::TBvStrings::SetParallelLoadThreshold(SIZE_MAX);
    for (auto _ : state) {
        pelto::TBvStrings store;
        store.LoadFromFile(Log().Path());
        benchmark::DoNotOptimize(store.Count());
    }
    pelto::TBvStrings::SetParallelLoadThreshold(saved);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Log().Bytes()));
}
BENCHMARK(BM_LoadFromFileOneThread)->Unit(benchmark::kMillisecond);

void BM_LoadAndLayout80(benchmark::State& state)
{
    for (auto _ : state) {
        pelto::TBvStrings store;
        pelto::RowTable rows;
        store.LoadFromFile(Log().Path());
        rows.LayoutFrom(0, store, true, 80, nullptr);
        benchmark::DoNotOptimize(rows.RowCount());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Log().Bytes()));
}
BENCHMARK(BM_LoadAndLayout80)->Unit(benchmark::kMillisecond);

void BM_Layout80(benchmark::State& state)
{
    const pelto::TBvStrings& store = LoadedStore();
    pelto::RowTable rows;
    for (auto _ : state) {
        rows.LayoutFrom(0, store, true, 80, nullptr);
        benchmark::DoNotOptimize(rows.RowCount());
    }
    state.counters["rows"] = rows.RowCount();
    state.counters["lines"] = store.Count();
}
BENCHMARK(BM_Layout80)->Unit(benchmark::kMillisecond);

void BM_Layout80OneThread(benchmark::State& state)
{
    const pelto::TBvStrings& store = LoadedStore();
    const int32_t saved = pelto::RowTable::ParallelLayoutThreshold();
    pelto::RowTable::SetParallelLayoutThreshold(INT32_MAX);
    pelto::RowTable rows;
    for (auto _ : state) {
        rows.LayoutFrom(0, store, true, 80, nullptr);
        benchmark::DoNotOptimize(rows.RowCount());
    }
    pelto::RowTable::SetParallelLayoutThreshold(saved);
}
BENCHMARK(BM_Layout80OneThread)->Unit(benchmark::kMillisecond);

// A re-layout at the window width, as after a resize; the argument is the
// client width in pixels (640 = 80 half-width columns).
void BM_LayoutWindowWidth(benchmark::State& state)
{
    const pelto::TBvStrings& store = LoadedStore();
    FixedMeasurer measurer(static_cast<int32_t>(state.range(0)));
    pelto::RowTable rows;
    for (auto _ : state) {
        rows.LayoutFrom(0, store, true, 0, &measurer);
        benchmark::DoNotOptimize(rows.RowCount());
    }
    state.counters["rows"] = rows.RowCount();
}
BENCHMARK(BM_LayoutWindowWidth)->Arg(640)->Arg(400)->Unit(benchmark::kMillisecond);

// What the view asks when the top row is near the end of the file.
void BM_QueriesNearTheEnd(benchmark::State& state)
{
    const pelto::TBvStrings& store = LoadedStore();
    static pelto::RowTable rows;
    if (rows.RowCount() == 0)
        rows.LayoutFrom(0, store, true, 80, nullptr);
    const int32_t lastLine = store.Count() - 1;
    for (auto _ : state) {
        int32_t row = rows.RowOfLine(lastLine);
        int32_t line = rows.LineOfRow(row);
        pelto::TPoint pos = rows.LineToRowPos({1, line});
        std::string_view text = rows.RowText(store, pos.Y);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_QueriesNearTheEnd);

// Painting a screen of 50 rows around the middle of the file.
void BM_RowTextScreen(benchmark::State& state)
{
    const pelto::TBvStrings& store = LoadedStore();
    static pelto::RowTable rows;
    if (rows.RowCount() == 0)
        rows.LayoutFrom(0, store, true, 80, nullptr);
    const int32_t top = rows.RowCount() / 2;
    for (auto _ : state) {
        size_t bytes = 0;
        for (int32_t row = top; row < top + 50 && row < rows.RowCount(); ++row)
            bytes += rows.RowText(store, row).size();
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_RowTextScreen);

} // namespace

BENCHMARK_MAIN();
