#include "args.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace vn::cli {

Args::Args(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
           const std::set<std::string>& switches, const std::set<std::string>& listOptions) {
  std::string openList;  // the list option that still takes words
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool looksLikeOption = a.size() > 1 && a[0] == '-' && !parseNumber(a);
    if (!looksLikeOption) {
      if (!openList.empty()) {
        options_.emplace_back(openList, a);
      } else {
        positional_.push_back(a);
      }
      continue;
    }
    openList.clear();
    if (listOptions.count(a)) {
      openList = a;
    } else if (switches.count(a)) {
      switches_.insert(a);
    } else if (valueOptions.count(a)) {
      if (i + 1 >= args.size()) {
        error_ = a + " needs a value";
        return;
      }
      options_.emplace_back(a, args[++i]);
    } else if (a != "--help" && a != "-h") {
      error_ = "unknown option " + a;
      return;
    }
  }
}

bool Args::has(const std::string& option) const {
  if (switches_.count(option)) return true;
  for (const auto& [name, v] : options_)
    if (name == option) return true;
  return false;
}

std::optional<std::string> Args::value(const std::string& option) const {
  std::optional<std::string> found;
  for (const auto& [name, v] : options_)
    if (name == option) found = v;  // the last one given wins
  return found;
}

std::vector<std::string> Args::values(const std::string& option) const {
  std::vector<std::string> out;
  for (const auto& [name, v] : options_)
    if (name == option) out.push_back(v);
  return out;
}

std::optional<double> Args::number(const std::string& option) {
  auto v = value(option);
  if (!v) return std::nullopt;
  auto n = parseNumber(*v);
  if (!n && error_.empty()) error_ = option + " needs a number, not \"" + *v + "\"";
  return n;
}

std::optional<long long> Args::integer(const std::string& option) {
  auto v = value(option);
  if (!v) return std::nullopt;
  auto n = parseInteger(*v);
  if (!n && error_.empty()) error_ = option + " needs a whole number, not \"" + *v + "\"";
  return n;
}

std::optional<double> parseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(text.c_str(), &end);
  if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<long long> parseInteger(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || end != text.c_str() + text.size()) return std::nullopt;
  return v;
}

// "3,0,7" as event positions; nullopt when a part is not a whole number.
std::optional<std::vector<int>> eventList(const std::string& text) {
  std::vector<int> out;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    const std::optional<long long> n = parseInteger(text.substr(start, comma - start));
    if (!n || *n < 0 || *n > 1'000'000'000) return std::nullopt;
    out.push_back(static_cast<int>(*n));
    start = comma + 1;
  }
  return out;
}

}  // namespace vn::cli
