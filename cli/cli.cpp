// kemlog-cli: the commands, their help texts, and the dispatch from the command line.

#include <algorithm>
#include <array>
#include <ostream>
#include <string_view>

#include "cli/commands.h"

namespace kemlog::cli {
namespace {

using Handler = int (*)(const Args&, std::ostream&, std::ostream&);

struct Command {
  std::string_view name;
  std::string_view summary;
  std::string_view help;
  Handler run;
};

constexpr std::array kCommands = {
    Command{"download", "download every log from the watch as GPX files",
            "usage: kemlog-cli download [--port PATH | --demo [--logs N] [--seed S] [--points P]] [--out DIR]\n"
            "\n"
            "Downloads every log stored on the watch into DIR (default: ~/KemLog) as GPX files,\n"
            "named Kem_YYYYMMDD_hhmmss.gpx after the log's start in local time.\n"
            "Prints one line per stored log: date, duration, pace, calories, distance and the\n"
            "file path, separated by tabs. Progress goes to stderr.\n"
            "\n"
            "  --port PATH  the watch's serial device or a pseudo-terminal (default: find the watch)\n"
            "  --out DIR    where the GPX files go\n"
            "  --demo       use the built-in simulated watch instead of a port\n"
            "  --logs N, --seed S, --points P   the simulated watch's logs (default 3, 4170, 400)\n"
            "\n"
            "Exit status 0 on success; on failure a message on stderr, status 1, and the logs\n"
            "stored before the failure stay on disk and listed.\n",
            DownloadCommand},
    Command{"sim", "serve the simulated watch on a pseudo-terminal",
            "usage: kemlog-cli sim [--logs N] [--seed S] [--points P]\n"
            "\n"
            "Runs the simulated watch on a new pseudo-terminal, prints its path on the first line\n"
            "and serves until interrupted (Ctrl-C). Point 'download --port' at that path.\n",
            SimCommand},
    Command{"ports", "list serial devices and which of them is the watch",
            "usage: kemlog-cli ports\n"
            "\n"
            "Lists the present devices, the port that the watch's friendly name points at, and\n"
            "every serial port with whether it answers the watch's identification request\n"
            "(each silent port costs half a second).\n",
            PortsCommand},
    Command{"version", "show the watch's firmware version and GPS data date",
            "usage: kemlog-cli version [--port PATH | --demo]\n"
            "\n"
            "Prints the line the settings page shows: firmware version and GPS data month.\n"
            "Without --port the watch is found by itself.\n",
            VersionCommand},
    Command{"gps-update", "send a GPS assist data file to the watch",
            "usage: kemlog-cli gps-update FILE [--port PATH | --demo]\n"
            "\n"
            "Checks the file's 32-byte header, then sends the file and its information block.\n"
            "Exit status 0 when both were acknowledged by the watch.\n",
            GpsUpdateCommand},
    Command{"firmware-update", "replace the watch's firmware through its boot loader",
            "usage: kemlog-cli firmware-update FILE.bin [--port PATH | --demo]\n"
            "\n"
            "Checks the image (\"KRV ZQN 4170\"), switches the watch to its boot loader, sends\n"
            "the image with a progress bar and reports the end.\n",
            FirmwareUpdateCommand},
    Command{"export-nmea", "convert a GPX log to an NMEA file",
            "usage: kemlog-cli export-nmea LOG.gpx OUT.nmea\n"
            "\n"
            "Writes $GPRMC, $GPGGA and $GPWQD sentences for every track point of LOG.gpx.\n",
            ExportNmeaCommand},
    Command{"import-nmea", "store an NMEA file as a GPX log",
            "usage: kemlog-cli import-nmea IN.nmea [--out DIR]\n"
            "\n"
            "Reads an NMEA file written by KEM LOG and stores it as a GPX log in DIR\n"
            "(default: ~/KemLog). Prints the log's history row and the file path.\n",
            ImportNmeaCommand},
};

void PrintProgramHelp(std::ostream& out) {
  out << "usage: kemlog-cli COMMAND [OPTIONS]\n\nKEM LOG from a terminal: the ZQN-4170 watch's logs and files.\n\nCommands:\n";
  for (const Command& c : kCommands) out << "  " << c.name << std::string(18 - c.name.size(), ' ') << c.summary << '\n';
  out << "\nRun 'kemlog-cli COMMAND --help' for a command's options.\n";
}

bool WantsHelp(const Args& args) {
  return std::any_of(args.begin(), args.end(), [](const std::string& a) { return a == "--help" || a == "-h"; });
}

}  // namespace

int RunCli(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    PrintProgramHelp(err);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintProgramHelp(out);
    return 0;
  }
  const auto command = std::find_if(kCommands.begin(), kCommands.end(), [&](const Command& c) { return c.name == args[0]; });
  if (command == kCommands.end()) {
    err << "kemlog-cli: unknown command '" << args[0] << "'\n";
    PrintProgramHelp(err);
    return 2;
  }
  const Args rest(args.begin() + 1, args.end());
  if (WantsHelp(rest)) {
    out << command->help;
    return 0;
  }
  return command->run(rest, out, err);
}

}  // namespace kemlog::cli
