#include "cli/arguments.h"

#include <cerrno>
#include <cstdlib>

namespace kemlog::cli {

Arguments::Arguments(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                     const std::set<std::string>& flags) {
  for (size_t i = 0; i < args.size() && error_.empty(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0 || arg == "--") {
      positional_.push_back(arg);
    } else if (flags.count(arg)) {
      flags_.insert(arg);
    } else if (!valueOptions.count(arg)) {
      error_ = "unknown option " + arg;
    } else if (i + 1 == args.size()) {
      error_ = "option " + arg + " needs a value";
    } else {
      values_[arg] = args[++i];
    }
  }
}

std::optional<std::string> Arguments::Value(const std::string& option) const {
  const auto it = values_.find(option);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::optional<long> Arguments::Number(const std::string& option, long fallback, long max) const {
  const auto text = Value(option);
  if (!text) return fallback;
  if (text->empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text->c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < 0 || value > max) return std::nullopt;
  return value;
}

}  // namespace kemlog::cli
