// kemlog-cli export-nmea and import-nmea: the two file conversions.

#include <filesystem>
#include <ostream>
#include <system_error>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/row_output.h"
#include "platform/paths.h"
#include "track/gpx_file.h"
#include "track/nmea_file.h"

namespace kemlog::cli {
namespace {

bool IsReadableFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

int ExportNmeaCommand(const Args& args, std::ostream&, std::ostream& err) {
  const Arguments a(args, {}, {});
  if (!a.Error().empty() || a.Positional().size() != 2) {
    err << "kemlog-cli export-nmea: needs LOG.gpx and OUT.nmea\nTry 'kemlog-cli export-nmea --help'.\n";
    return 2;
  }
  const std::string& gpx = a.Positional()[0];
  const std::string& nmea = a.Positional()[1];
  if (!IsReadableFile(gpx) || !gpx.ends_with(".gpx")) {
    err << "kemlog-cli export-nmea: " << gpx << " is not a readable .gpx file\n";
    return 1;
  }
  const std::vector<track::tagTrackLog> points = track::ReadGpxPoints(gpx);
  if (points.empty()) {
    err << "kemlog-cli export-nmea: " << gpx << " holds no track point\n";
    return 1;
  }
  if (!track::WriteNmeaFile(nmea, points)) {
    err << "kemlog-cli export-nmea: cannot write " << nmea << '\n';
    return 1;
  }
  err << "wrote " << points.size() << " points to " << nmea << '\n';
  return 0;
}

int ImportNmeaCommand(const Args& args, std::ostream& out, std::ostream& err) {
  const Arguments a(args, {"--out"}, {});
  if (!a.Error().empty() || a.Positional().size() != 1) {
    err << "kemlog-cli import-nmea: needs IN.nmea\nTry 'kemlog-cli import-nmea --help'.\n";
    return 2;
  }
  const std::string& nmea = a.Positional()[0];
  const track::NmeaReadResult read = track::ReadNmeaFile(nmea);
  if (!read.opened) {
    err << "kemlog-cli import-nmea: cannot open " << nmea << '\n';
    return 1;
  }
  const std::optional<track::ImportedLog> log = track::BuildImportedLog(read);
  if (!log) {
    err << "kemlog-cli import-nmea: " << nmea << " holds no KEM LOG track (no $GPWQD sentence)\n";
    return 1;
  }
  const std::string folder = a.Value("--out").value_or(platform::DefaultLogFolder());
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    err << "kemlog-cli import-nmea: cannot create " << folder << ": " << ec.message() << '\n';
    return 1;
  }
  bool written = true;
  const std::string path = track::StoreImportedLog(*log, folder, [&](const std::string& message) {
    err << "kemlog-cli import-nmea: cannot write GPX file: " << message << '\n';
    written = false;
  });
  if (!written) return 1;
  PrintRow(out, log->row, path);
  return 0;
}

}  // namespace kemlog::cli
