// Reader for the engine's example files (engine/cases/*.txt). The format is
// described at the top of engine/case_runner_test.cpp.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::cases {

struct Example {
  std::string file;     // "hex_escapes.txt"
  std::string section;  // the "## " heading above the example
  int number = 0;       // position within its section, from 1
  int line = 0;         // line of the opening fence
  std::string name;     // <file stem>_<section>_<number>, letters, digits and "_" only
  std::string input;    // decoded bytes
  std::string expected;
  std::string error;       // non-empty: the file could not be read at this point
  bool full_text = false;  // the file holds the line "Output: full text"
};

// GoogleTest prints a failing parameter with this instead of its raw bytes.
inline void PrintTo(const Example& example, std::ostream* out) {
  *out << example.file << ":" << example.line;
}

// Every example of every *.txt file in `folder`, files in name order. Faults
// in a file come back as examples with `error` set, so that they fail a test
// instead of silently dropping cases.
std::vector<Example> LoadExamples(const std::string& folder);

// Shows bytes the way the files write them: one line per CR LF pair, markers
// for every other control byte and for bytes above 126, and a trailing space
// as a marker so that it stays visible.
std::string Visible(std::string_view bytes);

}  // namespace corvane::cases
