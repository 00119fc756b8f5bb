#pragma once
// A small option reader: positional words, "--flag" switches and "--name VALUE" options.
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vn::cli {

class Args {
 public:
  // valueOptions: the options that take a value ("--seed"); switches: those that do not;
  // listOptions: options that take every following word up to the next option
  // ("--reference a.wav b.wav"). Unknown options are reported by error().
  Args(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
       const std::set<std::string>& switches, const std::set<std::string>& listOptions = {});

  const std::vector<std::string>& positional() const { return positional_; }
  bool has(const std::string& option) const;
  std::optional<std::string> value(const std::string& option) const;
  // Every value given to an option, in order.
  std::vector<std::string> values(const std::string& option) const;
  // Empty when the arguments were well formed.
  const std::string& error() const { return error_; }

  // Numeric readers: nullopt when absent; error() is set when present but malformed.
  std::optional<double> number(const std::string& option);
  std::optional<long long> integer(const std::string& option);

 private:
  std::vector<std::string> positional_;
  std::vector<std::pair<std::string, std::string>> options_;
  std::set<std::string> switches_;
  std::string error_;
};

// Strict whole-text number parsing.
std::optional<double> parseNumber(const std::string& text);
std::optional<long long> parseInteger(const std::string& text);
// "3,0,7" as event positions; nullopt when a part is not a whole number.
std::optional<std::vector<int>> eventList(const std::string& text);

}  // namespace vn::cli
