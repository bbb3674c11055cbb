// Replays the fuzzers' seed inputs and every input that once broke a check
// (tests/fuzz/regressions/<target>/) through the same entry functions the
// fuzzers drive, plus a few hundred random inputs, so the checks run with
// every build and a fixed fault stays fixed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "FuzzEntries.h"

namespace pelto::fuzz {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Replay(const Entry& entry, const std::string& bytes) {
  try {
    entry.run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  } catch (const FuzzFailure& failure) {
    ADD_FAILURE() << failure.what();
  }
}

std::vector<fs::path> FilesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  if (fs::is_directory(folder)) {
    for (const auto& item : fs::directory_iterator(folder))
      if (item.is_regular_file()) files.push_back(item.path());
  }
  return files;
}

TEST(FuzzRegressionTest, SeedsAndSavedInputsPassEveryCheck) {
  const fs::path root = PELTO_FUZZ_INPUTS;
  for (const Entry& entry : Entries()) {
    const auto seeds = FilesIn(root / "corpus" / entry.name);
    EXPECT_GE(seeds.size(), 2u) << "seed corpus of " << entry.name;
    auto files = seeds;
    const auto saved = FilesIn(root / "regressions" / entry.name);
    files.insert(files.end(), saved.begin(), saved.end());
    for (const fs::path& file : files) {
      SCOPED_TRACE(file.string());
      Replay(entry, ReadBytes(file));
    }
  }
}

// Random bytes and random cuts of the seeds: cheap, and every run checks
// its results, so the suite catches a broken rule without a fuzzer.
TEST(FuzzRegressionTest, RandomInputsPassEveryCheck) {
  const fs::path root = PELTO_FUZZ_INPUTS;
  std::mt19937 rng(20240607);
  for (const Entry& entry : Entries()) {
    const auto seeds = FilesIn(root / "corpus" / entry.name);
    for (int round = 0; round < 150; ++round) {
      std::string bytes;
      if (!seeds.empty() && round % 2 == 0) {
        bytes = ReadBytes(seeds[rng() % seeds.size()]);
        for (int flips = 1 + static_cast<int>(rng() % 8); flips > 0 && !bytes.empty(); --flips)
          bytes[rng() % bytes.size()] = static_cast<char>(rng());
        bytes.resize(rng() % (bytes.size() + 1));
      } else {
        bytes.resize(rng() % 300);
        for (char& c : bytes) c = static_cast<char>(rng() % 4 == 0 ? "\r\n /0\x81"[rng() % 6] : rng());
      }
      SCOPED_TRACE(std::string(entry.name) + " round " + std::to_string(round));
      Replay(entry, bytes);
    }
  }
}

}  // namespace
}  // namespace pelto::fuzz
