#pragma once
// One stored log on stdout: the five history texts and the file path, separated by tabs.

#include <ostream>
#include <string>

#include "track/history_row.h"

namespace kemlog::cli {

inline void PrintRow(std::ostream& out, const track::HistoryRow& row, const std::string& path) {
  for (const std::string& text : row) out << text << '\t';
  out << path << '\n' << std::flush;
}

}  // namespace kemlog::cli
