#include "driver/settings.h"

#include <span>
#include <string>

#include "driver/text_file.h"
#include "format/format.h"
#include "output/write_statement.h"
#include "reading/free_form_reader.h"
#include "runtime/storage.h"

namespace quelmar {

namespace {

// One free-form read of a 40-character name; on success the name is echoed (all 40 characters)
// to the standard error stream, on failure `failure_message` goes to the console.
void read_name(Units& units, RecordReader& reader, std::string& name,
               std::string_view failure_message) {
  const ReadItem item = ReadItem::text(name.data(), kFileNameLength);
  if (read_free(reader, std::span(&item, 1))) {
    write_free(units, kStderrUnit, name);
  } else {
    write_free(units, kStdoutUnit, failure_message);
  }
}

}  // namespace

void read_settings(Units& units, int tab_size, RunState& state) {
  const TextFile file = open_text_file(std::string(kSettingsFileName));
  if (!file) {
    write_free(units, kStdoutUnit, "Quelmar-Filenames.ini not found. Using defaults.");
    return;
  }
  RecordReader reader(file.get(), tab_size, storage_obtainable);
  read_name(units, reader, state.DataFileIn, "Error reading line 1 of Quelmar-Filenames.ini");
  read_name(units, reader, state.DataFileOut, "Error reading line 2 of Quelmar-Filenames.ini");
}

}  // namespace quelmar
