// A fresh folder under /tmp for each test, removed afterwards, with the path
// of a settings file in it and plain byte reads and writes of that file.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace testsupport {

class TempFolderTest : public ::testing::Test {
 protected:
  // The folder is named /tmp/pelto-<tag>-XXXXXX.
  explicit TempFolderTest(std::string tag) : tag_(std::move(tag)) {}

  void SetUp() override {
    std::string pattern = "/tmp/pelto-" + tag_ + "-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    path_ = folder_ + "/pelto.INI";
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  void WriteRaw(const std::string& content) const {
    std::ofstream out(path_, std::ios::binary);
    out << content;
  }
  std::string ReadRaw() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::string folder_;
  std::string path_;   // the settings file, pelto.INI in the folder

 private:
  std::string tag_;
};

}  // namespace testsupport
