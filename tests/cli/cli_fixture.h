#pragma once
// Runs vendora-cli in-process with its own program folder and settings file, and keeps
// what it printed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "commands.h"
#include "support/test_support.h"

namespace vendora::test {

class CliFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("VENDORA_HOME", (dir_.path() / "program").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir_.path() / "config").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("VENDORA_HOME");
    unsetenv("XDG_CONFIG_HOME");
  }
  int Run(std::vector<const char*> args, const std::string& input = "", bool terminal = false) {
    args.insert(args.begin(), "vendora-cli");
    std::istringstream in(input);
    out_.str("");
    err_.str("");
    return RunCli(static_cast<int>(args.size()), args.data(), in, out_, err_, terminal);
  }
  TempDir dir_;
  std::ostringstream out_, err_;
};

}  // namespace vendora::test
