// Whole runs of the built program, from fixture data: every case folder (the reference runs of
// fixtures/golden/runs and our own of fixtures/runs, laid out as fixtures/runs/README.md tells)
// must give its outputs and files byte for byte, and every row of driver_faults.tsv, a case
// folder run under a fault, must end as the row says, keeping what was written before the fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <ranges>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "process.h"
#include "random.h"
#include "runtime/thread_team.h"
#include "table.h"

namespace quelmar::test {
namespace {

namespace fs = std::filesystem;

// "stdout", "stderr" and "files/NAME" with their bytes. An expected output's key may end in
// ".prefix" or ".suffix": then only the start or the end of the output is given.
using Outputs = std::map<std::string, std::string>;

std::string output_of(const std::string& key) {
  return key.ends_with(".prefix") || key.ends_with(".suffix") ? key.substr(0, key.size() - 7) : key;
}

// A run to check: a case folder run after more setup actions (separated by ';'), and what is
// expected of it beside the files as set up.
struct Check {
  std::string name;
  fs::path folder;
  std::string setup{};
  int exit_status = 0;
  Outputs expected{};
  bool others_allowed = false;         // files not expected may be written
  bool one_line_report = false;        // the standard error stream is one line, worded in any way
  std::vector<std::string> removed{};  // files of the setup that the run removes
};

void PrintTo(const Check& check, std::ostream* out) { *out << check.name; }

std::vector<std::string> pieces(const std::string& text, char separator) {
  std::vector<std::string> pieces;
  for (const auto piece : std::views::split(text, separator))
    if (!piece.empty()) pieces.emplace_back(piece.begin(), piece.end());
  return pieces;
}

// One setup action (fixtures/runs/README.md) on the working directory or the run: VERB TEXT, or
// VERB NAME [COUNT [WORD]].
void apply(const std::string& action, const Scratch& scratch, ProgramRun& run) {
  std::istringstream words(action);
  std::string verb, name, word;
  std::uint64_t count = 0;
  words >> verb >> name >> count >> word;
  const std::size_t name_end = std::min(action.find(' ', verb.size() + 1), action.size());
  const std::string after_verb = unescape(action.substr(std::min(verb.size() + 1, action.size())));
  const std::string after_name = unescape(action.substr(std::min(name_end + 1, action.size())));
  const fs::path file = scratch.work() / name;
  if (verb == "mkdir") fs::create_directory(file);
  if (verb == "write") write_file(file, after_name);
  if (verb == "symlink") fs::create_symlink(after_name, file);
  if (verb == "link") fs::create_hard_link(scratch.work() / after_name, file);
  if (verb == "stdout") run.stdout_to = after_verb;
  if (verb == "stdin") run.stdin_bytes = after_verb;
  if (verb == "arguments") run.arguments = pieces(after_verb, ' ');
  if (verb == "reader") run.reader_gone = name == "gone";
  if (verb == "meminfo") run.meminfo = after_verb;
  if (verb == "env") run.environment.push_back(after_verb);
  if (verb == "limit") (name == "as" ? run.address_space : run.file_size) = count;
  if (verb == "preload") {
    run.environment.emplace_back("LD_PRELOAD=" QUELMAR_FAILING_ALLOCATION_PATH);
    if (name == "threads") {
      run.environment.emplace_back("QUELMAR_FAIL_THREADS=1");
    } else {
      run.environment.insert(run.environment.end(), {"QUELMAR_FAIL_BYTES=" + name,
                                                     "QUELMAR_FAIL_NTH=" + std::to_string(count)});
    }
    if (word == "worker") run.environment.emplace_back("QUELMAR_FAIL_ON_WORKER=1");
  }
  if (verb == "repeat" || verb == "random") {
    Random random(verb == "random" ? std::stoull(word) : 0);
    std::string bytes;
    while (bytes.size() < count)
      bytes += verb == "random" ? std::string(1, static_cast<char>(random.bits())) : word;
    write_file(file, bytes);
  }
}

// Copies the case folder's in/ into the working directory and applies its setup actions, then
// `more` (actions separated by ';'); returns the run the folder describes.
ProgramRun prepare(const fs::path& folder, const Scratch& scratch, std::string more) {
  if (fs::is_directory(folder / "in"))
    fs::copy(folder / "in", scratch.work(), fs::copy_options::recursive);
  ProgramRun run;
  if (fs::exists(folder / "stdin")) run.stdin_bytes = read_file(folder / "stdin");
  run.environment = pieces(read_file(folder / "env"), '\n');
  run.arguments = pieces(read_file(folder / "args"), '\n');
  for (const Row& row : read_table("driver_reference_setup.tsv"))
    more += row[0] == folder.filename() ? ";" + row[1] : "";
  std::ranges::replace(more, ';', '\n');
  for (const std::string& action : pieces(read_file(folder / "setup") + "\n" + more, '\n'))
    apply(action, scratch, run);
  return run;
}

Outputs files_of(const Scratch& scratch) {
  Outputs files;
  for (auto& [name, bytes] : files_below(scratch.work())) files["files/" + name] = bytes;
  return files;
}

// A row of driver_faults.tsv: scenario, case folder, more setup, exit status, the standard error
// stream ("*": any), what is kept (items NAME[:N]: the file or stdout NAME holds the case folder's
// expected NAME whole or its first N bytes; -NAME: the file is removed; "*": the run may write
// other files too).
Check fault(const Row& row) {
  Check check{row[0], fixture(row[1]), row[2], std::stoi(row[3]), {}, row[5].ends_with('*')};
  if (row[4] != "*") check.expected["stderr"] = unescape(row[4]);
  for (const std::string& item : pieces(row[5], ' ')) {
    if (item.starts_with('-')) check.removed.push_back("files/" + item.substr(1));
    if (item == "*" || item.starts_with('-')) continue;
    const std::size_t colon = std::min(item.find(':'), item.size());
    const std::string key = (item.starts_with("stdout") ? "" : "files/") + item.substr(0, colon);
    const std::string bytes = read_file(check.folder / "expected" / key);
    if (colon == item.size()) check.expected[key] = bytes;
    if (colon < item.size())
      check.expected[key + ".prefix"] = bytes.substr(0, std::stoul(item.substr(colon + 1)));
  }
  return check;
}

std::vector<Check> checks() {
  std::vector<Check> checks;
  for (const char* root : {"golden/runs", "runs"}) {
    for (const fs::directory_entry& entry : fs::directory_iterator(fixture(root))) {
      if (!entry.is_directory()) continue;
      Check check{.name = entry.path().filename().string(), .folder = entry.path()};
      std::ranges::replace(check.name, '-', '_');
      check.expected = files_below(entry.path() / "expected");
      check.exit_status = std::stoi(check.expected.extract("exit_status").mapped());
      // The reference runs word an error stop's report each their own way.
      check.one_line_report = root == std::string("golden/runs") && check.exit_status == 255;
      if (check.one_line_report) check.expected.erase("stderr");
      checks.push_back(check);
    }
  }
  for (const Row& row : read_table("driver_faults.tsv")) checks.push_back(fault(row));
  return checks;
}

class Run : public testing::TestWithParam<Check> {};

TEST_P(Run, GivesTheExpectedOutputsAndFiles) {
  const Check& check = GetParam();
#if defined(__SANITIZE_ADDRESS__)  // its shadow memory takes the address space; its allocator first
  if (check.setup.find("limit as") != std::string::npos ||
      check.setup.find("preload") != std::string::npos)
    GTEST_SKIP() << "the sanitizer needs the address space and its own allocator";
#endif
  const Scratch scratch;
  const ProgramRun run = prepare(check.folder, scratch, check.setup);
  Outputs expected = files_of(scratch);
  for (const std::string& name : check.removed) expected.erase(name);
  for (const auto& [key, bytes] : check.expected) {
    expected.erase(output_of(key));
    expected[key] = bytes;
  }
  const ProgramResult result = run_program(scratch, run);
  if (result.exit_status == kNoOwnMeminfo) GTEST_SKIP() << "no user namespace for /proc/meminfo";
  EXPECT_EQ(result.exit_status, check.exit_status);
  EXPECT_TRUE(!check.one_line_report ||
              (result.err.ends_with('\n') && std::ranges::count(result.err, '\n') == 1))
      << result.err;

  Outputs actual = files_of(scratch);
  actual["stdout"] = result.out;
  actual["stderr"] = result.err;
  std::set<std::string> compared{"stdout", "stderr"};
  for (const auto& [key, bytes] : expected) {
    const std::string name = output_of(key);
    compared.insert(name);
    ASSERT_TRUE(actual.contains(name)) << name << " is missing";
    std::string_view seen = actual[name];
    if (key.ends_with(".prefix")) seen = seen.substr(0, bytes.size());
    if (key.ends_with(".suffix"))
      seen.remove_prefix(seen.size() - std::min(seen.size(), bytes.size()));
    EXPECT_EQ(first_difference(seen, bytes), "") << name;
  }
  for (const auto& [name, bytes] : actual)
    EXPECT_TRUE(check.others_allowed || compared.contains(name)) << name << " is written";
}

INSTANTIATE_TEST_SUITE_P(Fixtures, Run, testing::ValuesIn(checks()),
                         [](const testing::TestParamInfo<Check>& check) {
                           return check.param.name;
                         });

// Storage is really there once had: every page of the three matrices of order 1000 (32 000 000
// bytes each) is written before the run goes on, so all of them are resident at once.
TEST(Storage, IsWrittenWhenHad) {
  const Scratch scratch;
  const ProgramRun run = prepare(fixture("runs/order-1000"), scratch, "");
  EXPECT_GE(run_program(scratch, run).peak_resident_kib, 3 * 32'000'000 / 1024);
}

// The echo's storage refused on a worker thread (the text of the first record a worker renders,
// 97 bytes once grown): the run ends with the out-of-memory report, and the output file keeps a
// start of the whole run's. The run takes two threads whatever else the machine runs; the echo of
// order 200 has 78 batches, and a run whose worker rendered none of them is tried again.
TEST(Threads, EchoStorageRefusedOnAWorkerEndsTheRunOutOfMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator comes first";
#endif
  if (team_threads(0) < 2) GTEST_SKIP() << "a worker thread needs two processors";
  Random random(29);
  std::string input = "'echo'\n200\n200\n";
  for (int i = 1; i <= 200; ++i) {
    for (int j = 1; j <= 200; ++j) {
      input += std::to_string(i) + " " + std::to_string(j) + " (" +
               std::to_string(random.between(-999, 999)) + ".5, 0.25)\n";
    }
  }
  const auto run_with = [&](const std::string& setup, std::string& output) {
    const Scratch scratch;
    write_file(scratch.work() / "Quelmar-Input.txt", input);
    ProgramRun run;
    for (const std::string& action : pieces(setup, ';')) apply(action, scratch, run);
    const ProgramResult result = run_program(scratch, run);
    output = read_file(scratch.work() / "Quelmar-Output.txt");
    return result;
  };
  std::string whole, kept;
  ASSERT_EQ(run_with("", whole).exit_status, 0);
  for (int attempt = 0; attempt < 5; ++attempt) {
    const ProgramResult result = run_with("env QUELMAR_THREADS=2;preload 97 1 worker", kept);
    EXPECT_TRUE(whole.starts_with(kept)) << first_difference(kept, whole);
    if (result.exit_status == 0) continue;
    EXPECT_EQ(result.exit_status, 255);
    EXPECT_EQ(result.err, "Quelmar_Demo: out of memory\n");
    EXPECT_GE(kept.size(), 172u);  // the records before the echo
    return;
  }
  ADD_FAILURE() << "no run refused the storage on a worker";
}

}  // namespace
}  // namespace quelmar::test
