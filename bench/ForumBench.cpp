// Title extraction against reply-tree building on one generated conference
// log held by a line store: the tree should cost a small multiple of the
// title scan, not grow with the square of the posts.
//   PELTO_BENCH_BYTES  size of the generated log (default 128M; K, M, G suffixes)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchSupport.h"
#include "forum/PostHeader.h"
#include "forum/ReplyTree.h"
#include "view/BvStrings.h"

namespace {

const pelto::TBvStrings& Log() {
  static pelto::TBvStrings* store = [] {
    const bench::GeneratedLog log("forumbench");
    auto* loaded = new pelto::TBvStrings;
    loaded->LoadFromFile(log.Path());
    return loaded;
  }();
  return *store;
}

void BM_ExtractAllTitles(benchmark::State& state) {
  const auto doc = pelto::DocumentLines::Of(Log());
  long long entries = 0;
  for (auto _ : state) {
    const auto titles = pelto::ExtractTitles(doc, "/tmp/bench.log", false);
    entries = titles.entryCount;
    benchmark::DoNotOptimize(titles.bytes.data());
  }
  state.counters["lines"] = doc.count;
  state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_ExtractAllTitles)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_BuildReplyTree(benchmark::State& state) {
  const auto doc = pelto::DocumentLines::Of(Log());
  long long nodes = 0;
  for (auto _ : state) {
    const auto files = pelto::BuildReplyTree(doc, "/tmp/bench.log");
    nodes = files.nodeCount;
    benchmark::DoNotOptimize(files.file03.data());
  }
  state.counters["posts"] = static_cast<double>(nodes);
}
BENCHMARK(BM_BuildReplyTree)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
