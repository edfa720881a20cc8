#pragma once
// A small command-line reader: positional arguments, "--name value" options and "--flag" switches.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kemlog::cli {

class Arguments {
 public:
  // valueOptions take a value ("--port PATH"); flags do not ("--demo"). Anything else starting with
  // "--" is an error, reported by Error().
  Arguments(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
            const std::set<std::string>& flags);

  const std::string& Error() const { return error_; }
  const std::vector<std::string>& Positional() const { return positional_; }
  bool Has(const std::string& flag) const { return flags_.count(flag) != 0; }
  std::optional<std::string> Value(const std::string& option) const;
  // A non-negative integer option; fallback when absent; nothing when malformed or above max.
  std::optional<long> Number(const std::string& option, long fallback, long max) const;

 private:
  std::vector<std::string> positional_;
  std::map<std::string, std::string> values_;
  std::set<std::string> flags_;
  std::string error_;
};

}  // namespace kemlog::cli
