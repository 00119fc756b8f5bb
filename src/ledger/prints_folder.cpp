#include "ledger/prints_folder.h"

#include <cinttypes>
#include <cstdio>

#include "platform/paths.h"

namespace vn {

std::string PrintsFolder() {
  const std::string app = appDataFolder();
  return app.empty() ? std::string() : pathJoin(app, "Prints");
}

std::string utcText(std::time_t when) {
  std::tm parts{};
  gmtime_r(&when, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

namespace {

bool allDigits(const std::string& text) {
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return !text.empty();
}

// A printId read from a document names a file: it must stay one plain name.
bool safeFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name)
    if (c == '/' || c == '\0' || c == '\\') return false;
  return true;
}

}  // namespace

std::string recordRelativePath(const std::string& createdUTC, const std::string& printId) {
  if (createdUTC.size() < 7 || !safeFileName(printId)) return {};
  const std::string year = createdUTC.substr(0, 4), month = createdUTC.substr(5, 2);
  if (!allDigits(year) || !allDigits(month)) return {};
  return "records/" + year + "/" + month + "/" + printId + ".json";
}

std::string hashText(uint64_t hash) {
  char text[24];
  std::snprintf(text, sizeof text, "%016" PRIx64, hash);
  return text;
}

uint64_t parseHashText(const std::string& text) {
  if (text.empty() || text.size() > 16) return 0;
  uint64_t value = 0;
  for (char c : text) {
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0) return 0;
    value = value << 4 | static_cast<uint64_t>(digit);
  }
  return value;
}

}  // namespace vn
