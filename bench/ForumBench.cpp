// Title extraction against reply-tree building on one generated conference
// log held by a line store: the tree should cost a small multiple of the
// title scan, not grow with the square of the posts.
//   PELTO_BENCH_BYTES  size of the generated log (default 128M; K, M, G suffixes)
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "GenLog.h"
#include "forum/PostHeader.h"
#include "forum/ReplyTree.h"
#include "view/BvStrings.h"

namespace {

const pelto::TBvStrings& Log() {
  static pelto::TBvStrings* store = [] {
    const char* sizeText = std::getenv("PELTO_BENCH_BYTES");
    const auto size = genlog::parseByteCount(sizeText ? sizeText : "128M");
    const std::string path = "/tmp/pelto-forumbench-" + std::to_string(::getpid()) + ".log";
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
      std::perror(path.c_str());
      std::exit(1);
    }
    genlog::Options options;
    options.sizeLimit = size ? *size : 128u << 20;
    genlog::generate(options, [out](const char* data, std::size_t bytes) {
      return std::fwrite(data, 1, bytes, out) == bytes;
    });
    std::fclose(out);
    auto* loaded = new pelto::TBvStrings;
    loaded->LoadFromFile(path);
    std::remove(path.c_str());
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
