// Every command of the table, every input slot, a set of bad or borderline
// files in that slot (the other slots given sound small inputs). Whatever the
// input, a run ends within a few seconds without a signal and either
// publishes whole result files and prints their names (exit 0), or refuses
// with exactly one stderr line, exit status 1, nothing on stdout and the
// results of an earlier run left as they were. The cases come from the
// command table, so a new row is swept as soon as it is added.
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>

#include "runner_fixture.h"

namespace zel_test {
namespace {

// What a command prints by design besides the result names: "Cluster" a
// line per slice before them, "DICOMSave" "success" after them, and
// "Render3D" without a display a notice on stderr.
std::string names_printed(const std::string& out) {
  std::string names = out;
  const std::string line = "Here #3\n", success = "success\n";
  while (names.compare(0, line.size(), line) == 0) names.erase(0, line.size());
  if (names.size() >= success.size() && names.compare(names.size() - success.size(), success.size(), success) == 0)
    names.erase(names.size() - success.size());
  return names;
}
bool notice_allowed(const std::string& command, const std::string& err) {
  return err.empty() || (command == "Render3D" && std::count(err.begin(), err.end(), '\n') == 1 &&
                         err.rfind("Render3D: ", 0) == 0);
}

struct SweepSlot {
  std::string command, inputs;
  size_t slot;  // 0-based position in argv after the command name
};

std::vector<SweepSlot> all_slots() {
  std::vector<SweepSlot> slots;
  for (const zel::Command& c : zel::command_table())
    for (size_t k = 0; c.inputs[k]; ++k) slots.push_back({c.name, c.inputs, k});
  return slots;
}

struct ValueBytes {
  std::vector<int32_t> header;
  std::vector<double> values;
};

// A sound small input of each kind.
ValueBytes sound(char kind) {
  switch (kind) {
    case zel::kImage:
    case zel::kImageSizes: {
      ValueBytes v{{5, 6, 1, 1}, {}};
      for (int k = 0; k < 30; ++k) v.values.push_back((k * 37) % 256);
      return v;
    }
    case zel::kArray: return {{3, 3, 1, 1}, {0, 1, 0, 1, -4, 1, 0, 1, 0}};
    case zel::kNumber: return {{1, 1, 1, 1}, {3}};
    case zel::kCoord: return {{2, 1, 1, 1}, {2, 3}};
    case zel::kColour: return {{3, 1, 1, 1}, {200, 100, 50}};
    default: return {{5, 6, 1, 1}, {}};  // a path: the cases below give it files anyway
  }
}

std::string bytes_of(const ValueBytes& v) {
  std::string b(reinterpret_cast<const char*>(v.header.data()), v.header.size() * 4);
  b.append(reinterpret_cast<const char*>(v.values.data()), v.values.size() * 8);
  return b;
}

ValueBytes with_values(ValueBytes v, double a, double b) {
  for (size_t k = 0; k < v.values.size(); ++k) v.values[k] = k % 2 ? b : a;
  return v;
}

struct Case {
  const char* name;
  bool present;  // false: the file does not exist
  std::string bytes;
};

std::vector<Case> cases_for(char kind) {
  const ValueBytes s = sound(kind);
  const std::string whole = bytes_of(s);
  const double inf = std::numeric_limits<double>::infinity();
  ValueBytes negative = s, huge_header = s;
  negative.header[0] = -1;
  huge_header.header = {65535, 65535, 1, 1};  // 4.3e9 values announced, a few present
  return {
      {"missing", false, ""},
      {"empty", true, ""},
      {"header_only", true, whole.substr(0, 16)},
      {"one_byte_short", true, whole.substr(0, whole.size() - 1)},
      {"negative_count", true, bytes_of(negative)},
      {"huge_header_short_body", true, bytes_of(huge_header)},
      {"zero_by_zero", true, bytes_of({{0, 0, 1, 1}, {}})},
      {"one_by_one", true, bytes_of({{1, 1, 1, 1}, {1}})},
      {"nan", true, bytes_of(with_values(s, std::nan(""), std::nan("")))},
      {"infinite", true, bytes_of(with_values(s, inf, -inf))},
      {"huge_values", true, bytes_of(with_values(s, 1e300, -1e300))},
  };
}

// Known faults, each left to its own fix: the case is not run until the fix
// lands and its line here is removed. slot 0 means every slot; case "" every
// case.
struct KnownFault {
  const char* command;
  size_t slot;  // 1-based
  const char* case_name;
  const char* fault;
};
const KnownFault kKnownFaults[] = {
    {"", 0, "", ""},  // none known; an entry names the command, slot, case and why
};

const KnownFault* known_fault(const std::string& command, size_t slot, const std::string& case_name) {
  for (const KnownFault& k : kKnownFaults)
    if (command == k.command && (k.slot == 0 || k.slot == slot + 1) &&
        (*k.case_name == 0 || case_name == k.case_name))
      return &k;
  return nullptr;
}

// Whole: the header's counts are not negative and the file holds exactly
// the values they announce.
bool whole_value_file(const std::string& bytes) {
  if (bytes.size() < 16) return false;
  int32_t h[4];
  std::memcpy(h, bytes.data(), 16);
  unsigned long long n = 1;
  for (int32_t c : h) {
    if (c < 0) return false;
    n *= static_cast<unsigned long long>(c);
  }
  return bytes.size() == 16 + 8 * n;
}

void PrintTo(const SweepSlot& s, std::ostream* os) { *os << s.command << " input " << s.slot + 1; }

class BadInputSweep : public RunnerTest, public ::testing::WithParamInterface<SweepSlot> {};

TEST_P(BadInputSweep, EachCaseGivesWholeResultsOrOneErrorLine) {
  // Under a checker such as valgrind every run takes a second or more and the
  // sweep's thousands of runs would take an hour; the sanitizer build covers
  // the same runs for memory errors.
  if (std::getenv("ZEL_RUN_WRAPPER")) GTEST_SKIP() << "not run under ZEL_RUN_WRAPPER";
  ::setenv("DISPLAY", "", 1);  // the 3-D view refuses instead of opening a window
  time_limit_ = 10;
  const SweepSlot& p = GetParam();
  const char kind = p.inputs[p.slot];
  int refused = 0, accepted = 0, skipped = 0;
  for (const Case& c : cases_for(kind)) {
    if (known_fault(p.command, p.slot, c.name)) {
      ++skipped;
      continue;
    }
    SCOPED_TRACE(p.command + " input " + std::to_string(p.slot + 1) + " (" + kind + "): " + c.name);
    std::vector<std::string> args{p.command};
    for (size_t k = 0; k < p.inputs.size(); ++k) {
      const std::string name = "in" + std::to_string(k + 1) + ".kqmat";
      if (k == p.slot) {
        fs::remove(path(name));
        if (c.present) std::ofstream(path(name), std::ios::binary) << c.bytes;
        args.push_back(name);
      } else if (p.inputs[k] == zel::kPath) {
        args.push_back("out" + std::to_string(k + 1) + ".png");
      } else {
        std::ofstream(path(name), std::ios::binary) << bytes_of(sound(p.inputs[k]));
        args.push_back(name);
      }
    }
    std::string stale[zel::Results::kSlots];
    for (int s = 0; s < zel::Results::kSlots; ++s) {
      stale[s] = "stale result " + std::to_string(s);
      std::ofstream(path(zel::result_name(s)), std::ios::binary) << stale[s];
    }

    const RunResult r = run(args);
    ASSERT_FALSE(r.signalled || r.status > 128) << "died by a signal: " << r.err;
    ASSERT_FALSE(r.timed_out) << "ran longer than " << time_limit_ << " s";
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
    int untouched_from = 0;
    if (r.status == 1) {
      ++refused;
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
      EXPECT_TRUE(!r.err.empty() && r.err.back() == '\n') << r.err;
    } else {
      ++accepted;
      ASSERT_EQ(r.status, 0) << r.out << r.err;
      EXPECT_TRUE(notice_allowed(p.command, r.err)) << r.err;
      std::istringstream words(names_printed(r.out));
      std::string word;
      for (; words >> word; ++untouched_from) {
        ASSERT_LT(untouched_from, zel::Results::kSlots) << r.out;
        EXPECT_EQ(word, zel::result_name(untouched_from)) << r.out;
        EXPECT_TRUE(whole_value_file(slurp(path(word)))) << word << " is not a whole value file";
      }
    }
    for (int s = untouched_from; s < zel::Results::kSlots; ++s)
      EXPECT_EQ(slurp(path(zel::result_name(s))), stale[s]) << "slot " << s << " changed";
    if (HasFatalFailure()) return;
  }
  if (std::getenv("ZEL_SWEEP_COUNTS"))
    std::printf("sweep %s %zu %c: refused %d accepted %d known-fault %d\n", p.command.c_str(), p.slot + 1, kind,
                refused, accepted, skipped);
}

std::string slot_name(const ::testing::TestParamInfo<SweepSlot>& info) {
  std::string name = info.param.command + "_input" + std::to_string(info.param.slot + 1);
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(AllCommands, BadInputSweep, ::testing::ValuesIn(all_slots()), slot_name);

}  // namespace
}  // namespace zel_test
