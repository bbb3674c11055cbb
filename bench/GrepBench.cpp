// The hit list against the row scan of the search, on one generated log: a
// string that does not occur makes both visit every byte.  With
// PELTO_GREP_FILES (file names separated by ":") it also times the folder
// search of the window over those files.
//   PELTO_BENCH_BYTES  size of the generated log (default 128M; K, M, G suffixes)
#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "navigation/HitList.h"
#include "navigation/SearchScan.h"
#include "view/BvStrings.h"
#include "view/RowTable.h"

namespace {

constexpr const char* kMissing = "Qz-absent";

struct Loaded {
    bench::GeneratedLog log{"grepbench"};
    pelto::TBvStrings store;
    pelto::RowTable rows;
    Loaded()
    {
        store.LoadFromFile(log.Path());
        rows.LayoutFrom(0, store, true, 80, nullptr);
    }
};

Loaded& Document()
{
    static Loaded loaded;
    return loaded;
}

void BM_RowScanMissing(benchmark::State& state)
{
    Loaded& doc = Document();
    const pelto::SearchPattern pattern(kMissing, false);
    for (auto _ : state) {
        if (pelto::SearchRows(doc.store, doc.rows, pattern, 0, pelto::SearchDirection::Next)) {
            state.SkipWithError("the pattern occurs in the log");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(doc.log.Bytes()));
}

void BM_HitListMissing(benchmark::State& state)
{
    Loaded& doc = Document();
    const pelto::LineMatcher matcher(kMissing, false);
    for (auto _ : state) {
        pelto::HitListing listing;
        listing.Files = {doc.log.Path()};
        pelto::AddDocumentHits(listing, 0, doc.store, matcher);
        if (!listing.Hits.empty()) {
            state.SkipWithError("the pattern occurs in the log");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(doc.log.Bytes()));
}

void BM_FolderSearchMissing(benchmark::State& state)
{
    const char* list = std::getenv("PELTO_GREP_FILES");
    if (!list || !*list) {
        state.SkipWithError("PELTO_GREP_FILES is not set");
        return;
    }
    std::vector<std::string> files;
    int64_t bytes = 0;
    for (std::string rest = list; !rest.empty();) {
        const size_t colon = rest.find(':');
        files.push_back(rest.substr(0, colon));
        rest = colon == std::string::npos ? std::string() : rest.substr(colon + 1);
        struct stat info {};
        if (stat(files.back().c_str(), &info) == 0)
            bytes += info.st_size;
    }
    const pelto::LineMatcher matcher(kMissing, false);
    for (auto _ : state) {
        pelto::HitListing listing;
        listing.Files = files;
        pelto::AddFilesHits(listing, matcher);
        if (!listing.Hits.empty() || listing.FilesSkipped != 0) {
            state.SkipWithError("a hit, or a file that could not be read");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

} // namespace

BENCHMARK(BM_RowScanMissing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HitListMissing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FolderSearchMissing)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
