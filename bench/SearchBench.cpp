// The search scan over a generated conference log, against loading and laying
// out the same log: a string that does not occur makes the scan visit every row.
//   PELTO_BENCH_BYTES  size of the generated log (default 128M; K, M, G suffixes)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "BenchSupport.h"
#include "navigation/SearchScan.h"
#include "text/Cp932.h"
#include "view/BvStrings.h"
#include "view/RowTable.h"

namespace {


const bench::GeneratedLog& Log()
{
    static bench::GeneratedLog log("searchbench");
    return log;
}

// The log loaded once and laid out as the main window does (80 bytes a row).
struct Loaded {
    pelto::TBvStrings store;
    pelto::RowTable rows;
    int64_t bytes = 0;
    Loaded()
    {
        store.LoadFromFile(Log().Path());
        rows.LayoutFrom(0, store, true, 80, nullptr);
        for (int32_t line = 0; line < store.Count(); ++line)
            bytes += static_cast<int64_t>(store.Get(line).size());
    }
};

Loaded& Document()
{
    static Loaded loaded;
    return loaded;
}

void BM_LoadAndLayout(benchmark::State& state)
{
    const int64_t bytes = Document().bytes;  // generates and reads the log once, untimed
    for (auto _ : state) {
        pelto::TBvStrings store;
        pelto::RowTable rows;
        store.LoadFromFile(Log().Path());
        rows.LayoutFrom(0, store, true, 80, nullptr);
        benchmark::DoNotOptimize(rows.RowCount());
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

// Scans every row for a string that is not there.
void ScanMissing(benchmark::State& state, const std::string& utf8, bool caseSensitive,
                 pelto::SearchDirection direction)
{
    Loaded& doc = Document();
    auto pattern = pelto::Utf8ToCp932(utf8);
    if (!pattern) {
        state.SkipWithError("pattern has no CP932 form");
        return;
    }
    pelto::SearchPattern prepared(*pattern, caseSensitive);
    const int32_t start = direction == pelto::SearchDirection::Next ? 0 : doc.rows.RowCount() - 1;
    for (auto _ : state) {
        auto hit = pelto::SearchRows(doc.store, doc.rows, prepared, start, direction);
        if (hit) {
            state.SkipWithError("the pattern occurs in the log");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * doc.bytes);
}

void BM_SearchMissingAscii(benchmark::State& state)
{
    ScanMissing(state, "Qz-absent", true, pelto::SearchDirection::Next);
}
void BM_SearchMissingAsciiFolded(benchmark::State& state)
{
    ScanMissing(state, "Qz-absent", false, pelto::SearchDirection::Next);
}
void BM_SearchMissingJapanese(benchmark::State& state)
{
    ScanMissing(state, "存在しない語句", true, pelto::SearchDirection::Next);
}
void BM_SearchMissingJapaneseFolded(benchmark::State& state)
{
    ScanMissing(state, "存在しない語句", false, pelto::SearchDirection::Next);
}
void BM_SearchMissingPriorFolded(benchmark::State& state)
{
    ScanMissing(state, "Qz-absent", false, pelto::SearchDirection::Prior);
}

// The plain reading for contrast: fetch, fold and test every row in turn.
void BM_SearchMissingRowByRow(benchmark::State& state)
{
    Loaded& doc = Document();
    std::string pattern = "QZ-ABSENT";
    std::string text;
    for (auto _ : state) {
        int found = 0;
        for (int32_t row = 0; row < doc.rows.RowCount() && found == 0; ++row) {
            text.assign(doc.rows.RowText(doc.store, row));
            pelto::UpperAscii(text);
            found = pelto::DbcsPos(pattern, text);
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(state.iterations() * doc.bytes);
}

BENCHMARK(BM_LoadAndLayout)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchMissingAscii)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchMissingAsciiFolded)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchMissingJapanese)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchMissingJapaneseFolded)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchMissingPriorFolded)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchMissingRowByRow)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
