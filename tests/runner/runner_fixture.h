// Runs the built zel_toolbox in a temporary working folder and captures what
// it prints, its exit status and the files it leaves.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <csignal>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "protocol.h"
#include "valuefile.h"

namespace zel_test {

namespace fs = std::filesystem;

struct RunResult {
  std::string out, err;
  int status = -1;       // exit status; -1 when the process died by a signal
  bool signalled = false;
  bool timed_out = false;  // stopped at time_limit_
};

inline std::string slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

class RunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/zel_runner_XXXXXX";
    ASSERT_NE(::mkdtemp(templ), nullptr);
    dir_ = templ;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path path(const std::string& name) const { return dir_ / name; }

  RunResult run(const std::vector<std::string>& args) const {
    // ZEL_RUN_WRAPPER (for example a valgrind command line) runs the runner under a checker.
    const char* wrapper = std::getenv("ZEL_RUN_WRAPPER");
    std::string cmd = "cd '" + dir_.string() + "' && exec ";
    if (time_limit_ > 0) cmd += "timeout -k 2 " + std::to_string(time_limit_) + " ";
    cmd += std::string(wrapper ? wrapper : "") + " '" ZEL_TOOLBOX "'";
    for (const std::string& a : args) cmd += " '" + a + "'";
    cmd += " >stdout.txt 2>stderr.txt";
    const int raw = std::system(cmd.c_str());
    RunResult r;
    r.out = slurp(path("stdout.txt"));
    r.err = slurp(path("stderr.txt"));
    fs::remove(path("stdout.txt"));
    fs::remove(path("stderr.txt"));
    if (WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
    r.signalled = WIFSIGNALED(raw);
    r.timed_out = time_limit_ > 0 && (r.status == 124 || r.status == 128 + SIGKILL);
    return r;
  }

  // Writes a value file byte by byte: the header counts, then the values.
  void raw_file(const std::string& name, std::initializer_list<int32_t> header,
                const std::vector<double>& values) const {
    std::ofstream f(path(name), std::ios::binary);
    for (int32_t h : header) f.write(reinterpret_cast<const char*>(&h), 4);
    f.write(reinterpret_cast<const char*>(values.data()), static_cast<std::streamsize>(values.size() * 8));
  }
  void number_file(const std::string& name, double v) const { raw_file(name, {1, 1, 1, 1}, {v}); }
  void coord_file(const std::string& name, double x, double y) const { raw_file(name, {2, 1, 1, 1}, {x, y}); }
  void colour_file(const std::string& name, double r, double g, double b) const {
    raw_file(name, {3, 1, 1, 1}, {r, g, b});
  }
  void image_file(const std::string& name, const CImg<double>& img) const {
    zel::WriteValueFile(path(name).string(), zel::WriteImage, img);
  }
  CImg<double> result_image(int slot = 0) const {
    return zel::GetImage(path(zel::result_name(slot)).c_str());
  }
  std::vector<double> result_values(int slot = 0) const {
    const std::string bytes = slurp(path(zel::result_name(slot)));
    std::vector<double> v(bytes.size() < 16 ? 0 : (bytes.size() - 16) / 8);
    if (!v.empty()) std::memcpy(v.data(), bytes.data() + 16, v.size() * 8);
    return v;
  }
  bool exists(const std::string& name) const { return fs::exists(path(name)); }
  // The error path: exit status 1, nothing printed, one line on stderr, no slot-0 result.
  void expect_error_path(const RunResult& r) const {
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_FALSE(exists(zel::result_name(0)));
  }
  // Names of the files in the working folder, sorted.
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;
  int time_limit_ = 0;  // seconds a run may take (0: no limit)
};

}  // namespace zel_test
