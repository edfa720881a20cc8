#pragma once
// kemlog-cli's commands. Each takes the arguments after its name and returns the exit code.

#include <iosfwd>
#include <string>
#include <vector>

namespace kemlog::cli {

using Args = std::vector<std::string>;

int DownloadCommand(const Args& args, std::ostream& out, std::ostream& err);
int SimCommand(const Args& args, std::ostream& out, std::ostream& err);
int ExportNmeaCommand(const Args& args, std::ostream& out, std::ostream& err);
int ImportNmeaCommand(const Args& args, std::ostream& out, std::ostream& err);
int PortsCommand(const Args& args, std::ostream& out, std::ostream& err);
int VersionCommand(const Args& args, std::ostream& out, std::ostream& err);
int GpsUpdateCommand(const Args& args, std::ostream& out, std::ostream& err);
int FirmwareUpdateCommand(const Args& args, std::ostream& out, std::ostream& err);

// The whole program: args without the program name.
int RunCli(const Args& args, std::ostream& out, std::ostream& err);

}  // namespace kemlog::cli
