#include "driver/run.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "driver/coefficient_records.h"
#include "driver/input_matrix.h"
#include "driver/pause.h"
#include "driver/program_stop.h"
#include "driver/records.h"
#include "driver/run_state.h"
#include "driver/settings.h"
#include "format/format.h"
#include "inverter/binary_files.h"
#include "inverter/quelmar.h"
#include "output/write_statement.h"
#include "quelmar/errors.h"
#include "reading/free_form_reader.h"
#include "runtime/same_file.h"
#include "runtime/thread_team.h"

namespace quelmar {

namespace {

void write_banner(Units& units) {
  static const Format kBanner("(/'!{Program Quelmar_Demo:',45('-'),t58,' Quelmar_Demo @ 40')");
  write_formatted(units, kStdoutUnit, kBanner);
}

// Connects unit iP to the output text file. A blank name, a file that cannot be created, the
// input file (which opening for write would wipe before it is read, or create empty when it is
// missing), the settings file and the inverter's binary files (which it writes while the text is
// open) send the text output to the console instead.
void open_output(Units& units, RunState& s) {
  const std::string name(without_trailing_blanks(s.DataFileOut));
  const auto taken = [&name](std::string_view other) { return same_file(name, other); };
  std::string reason;
  if (!name.empty() && !taken(without_trailing_blanks(s.DataFileIn)) && !taken(kSettingsFileName) &&
      !taken(kInputFileName) && !taken(kResultFileName) &&
      units.open_for_write(s.iP, name, reason)) {
    return;
  }
  s.iP = kStdoutUnit;
  static const Format kFallBack("( 'The file could not be opened for write. Using screen.')");
  write_formatted(units, kStdoutUnit, kFallBack);
}

// "jCinverse:", then the inverse in the shape of an input matrix file, row after row.
void write_result_block(Units& units, const RunState& s) {
  static const Format kHeader("( 'jCinverse:')");
  static const Format kRankOut("(i7,', : iRankOut')");
  write_formatted(units, s.iP, kHeader);
  write_title_record(units, s.iP, s.FirstLine);
  write_order_record(units, s.iP, s.Nin);
  write_formatted(units, s.iP, kRankOut, {Item(s.iRankOut)});
  write_matrix_records(units, s.iP, s.C);
}

// The run's threads: QUELMAR_THREADS when it is a count from 1, at most one per processor, else
// 0 (one per processor, of which the run uses those free).
int threads_from_environment() {
  const char* text = std::getenv("QUELMAR_THREADS");
  const std::string_view value = text != nullptr ? text : "";
  int threads = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), threads);
  const bool valid = error == std::errc{} && end == value.data() + value.size();
  return valid && threads >= 1 ? std::min(threads, team_threads(0)) : 0;
}

void run_steps(Units& units, int threads) {
  write_banner(units);
  pause(units, "Use this program at your own risk. Press enter to continue.");
  RunState s;
  const int tab_size = tab_size_from_environment();
  read_settings(units, tab_size, s);
  write_output_name_record(units, kStdoutUnit, s.DataFileOut);
  open_output(units, s);
  write_input_name_record(units, s.iP, s.DataFileIn);
  read_input_matrix(units, tab_size, s);
  // The inverter is lent C of order max(Nin, 0); the result block reads it with the same order.
  assert(s.C.order() == std::max(s.Nin, 0));
  // The binary files never write over the run's text files, whatever links lead to them.
  BinaryFiles files;
  files.kept = {std::string(without_trailing_blanks(s.DataFileIn)), std::string(kSettingsFileName)};
  if (s.iP != kStdoutUnit) files.kept.emplace_back(without_trailing_blanks(s.DataFileOut));
  KernelChoice kernels = default_kernels();
  kernels.threads = threads;
  Quelmar(s.Nin, s.C, s.iRankOut, s.iRW, s.iP, units, kernels, files);
  write_result_block(units, s);
  s.C.release();
  static const Format kClosing(
      "('  Program Quelmar_Demo}',16x,' [deallocated]',t70,' Done @113',/)");
  write_formatted(units, s.iP, kClosing);
  if (s.iP > kStdoutUnit) units.close(s.iP);
}

// Ends the run early: every unit closed first (what was written stays), then the report.
int end_early(Units& units, const ProgramStop& stop) {
  units.close_all();
  try {
    units.write(kStderrUnit, stop.report());
    units.end_statement(kStderrUnit);
  } catch (const WriteFailed&) {
    // The standard error stream itself failed: the exit status is all that is left to tell.
  }
  return stop.exit_status();
}

}  // namespace

int answer(Units& units, const CommandLineReply& reply) {
  const int unit = reply.exit_status == 0 ? kStdoutUnit : kStderrUnit;
  try {
    units.write(unit, reply.text);
    units.end_statement(unit);
  } catch (const WriteFailed& failed) {
    // A usage error that cannot be shown keeps its status: there is nowhere to tell more.
    if (unit == kStdoutUnit) return end_early(units, error_stop_report(failed.what()));
  }
  return reply.exit_status;
}

int run(Units& units) {
  try {
    const int threads = threads_from_environment();
    in_team(threads, [&] { run_steps(units, threads); });
  } catch (const ProgramStop& stop) {
    return end_early(units, stop);
  } catch (const StorageRefused& refused) {
    return end_early(units, halt_report(refused.what()));
  } catch (const std::bad_alloc&) {
    return end_early(units, error_stop_report("out of memory"));
  } catch (const std::runtime_error& failed) {
    // A failed write (WriteFailed, its I/O error line), or what else the system refuses, in words
    // of the library that asked: a thread that oneTBB cannot start, say.
    return end_early(units, error_stop_report(failed.what()));
  }
  units.close_all();
  return 0;
}

}  // namespace quelmar
