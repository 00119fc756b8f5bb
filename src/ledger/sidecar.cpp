#include "ledger/sidecar.h"

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "core/json_fields.h"
#include "core/json_parse.h"
#include "core/read_file.h"
#include "ledger/print_identity.h"
#include "ledger/print_index.h"
#include "ledger/prints_folder.h"
#include "platform/atomic_write.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

void skipSpace(std::string_view& text) {
  while (!text.empty() && (text[0] == ' ' || text[0] == '\t' || text[0] == '\n' || text[0] == '\r'))
    text.remove_prefix(1);
}

bool take(std::string_view& text, char c) {
  skipSpace(text);
  if (text.empty() || text[0] != c) return false;
  text.remove_prefix(1);
  return true;
}

struct SidecarMatch {
  std::string text;
  std::string printId;
  std::string createdUTC;
};

}  // namespace

std::string SidecarBaseName(const std::string& exportName, const std::string& outputFolder) {
  if (!exportName.empty()) return exportName;
  std::string folder = outputFolder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const std::string name = fileNameOf(folder);
  return name.empty() || name == "/" ? std::string("Varnel") : name;
}

bool WriteSidecar(const std::string& folder, const std::string& base, const std::vector<std::string>& recordTexts) {
  if (folder.empty() || base.empty() || recordTexts.empty()) return false;
  std::string text = "{\n\"vn_prints_sidecar\": 1,\n\"app\": \"Varnel\",\n\"createdUTC\": \"";
  text += utcText(std::time(nullptr));
  text += "\",\n\"records\": [\n";
  for (size_t i = 0; i < recordTexts.size(); ++i) {
    if (i > 0) text += ",\n";
    text += recordTexts[i];
    if (text.back() != '\n') text += '\n';
  }
  text += "]\n}\n";
  const std::string path = pathJoin(folder, base + kSidecarSuffix);
  if (!writeFileAtomic(path, text).ok) {
    logLine("[Ledger] sidecar write failed (export unaffected): %s\n", path.c_str());
    return false;
  }
  logLine("[Ledger] sidecar: %d record(s) \xe2\x86\x92 %s\n", static_cast<int>(recordTexts.size()), path.c_str());
  return true;
}

std::vector<std::string> FindSidecars(const std::string& audioPath) {
  const std::string folder = parentFolder(audioPath);
  std::vector<std::string> found;
  for (const std::string& candidate : {folder, parentFolder(folder), pathJoin(folder, "Audio Files")}) {
    if (candidate.empty() || !folderExists(candidate)) continue;
    std::vector<std::string> here;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(candidate, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (name.size() > std::string(kSidecarSuffix).size() && name.ends_with(kSidecarSuffix))
        here.push_back(it->path().string());
    }
    std::sort(here.begin(), here.end());
    for (std::string& path : here)
      if (std::find(found.begin(), found.end(), path) == found.end()) found.push_back(std::move(path));
  }
  return found;
}

std::vector<std::string> sidecarRecordTexts(const std::string& sidecarText) {
  std::vector<std::string> records;
  std::string_view text = sidecarText;
  if (!take(text, '{')) return records;
  while (true) {
    skipSpace(text);
    const JsonValue key = parseJson(text);
    if (!key.isString() || !take(text, ':')) return records;
    if (key.text() == "records") {
      if (!take(text, '[')) return records;
      while (true) {
        skipSpace(text);
        const char* start = text.data();
        const JsonValue record = parseJson(text);
        if (record.isObject()) records.emplace_back(start, static_cast<size_t>(text.data() - start));
        if (!take(text, ',')) return records;
      }
    }
    parseJson(text);
    if (!take(text, ',')) return records;
  }
}

bool ImportFromSidecars(const std::string& audioPath, const std::string& printToken, uint64_t outputHash,
                        uint64_t pcmHash) {
  const std::string folder = PrintsFolder();
  if (folder.empty()) return false;
  const std::string outputHashText = outputHash != 0 ? hashText(outputHash) : std::string();
  const std::string pcmHashText = pcmHash != 0 ? hashText(pcmHash) : std::string();
  for (const std::string& sidecar : FindSidecars(audioPath)) {
    std::string text, error;
    if (!readWholeFile(sidecar, text, error)) continue;
    std::vector<SidecarMatch> matches;
    for (std::string& recordText : sidecarRecordTexts(text)) {
      const JsonValue r = parseJsonText(recordText);
      const bool match = (!printToken.empty() && readString(r, "printToken") == printToken) ||
                         (!outputHashText.empty() && readString(r, "outputHash") == outputHashText) ||
                         (!pcmHashText.empty() && readString(member(r, "audioFingerprint"), "pcmHash") == pcmHashText);
      if (match) matches.push_back({std::move(recordText), readString(r, "printId"), readString(r, "createdUTC")});
    }
    if (matches.empty()) continue;
    if (matches.size() > 1) {
      logLine("[Ledger] sidecar %s: %d records match - ambiguous, not guessing\n", sidecar.c_str(),
              static_cast<int>(matches.size()));
      continue;
    }
    const SidecarMatch& m = matches.front();
    // The id names a file of the ledger: only a real print id may do that.
    const std::string relative = printTokenOfId(m.printId).empty() ? std::string() : recordRelativePath(m.createdUTC, m.printId);
    if (relative.empty()) continue;
    const std::string target = pathJoin(folder, relative);
    std::error_code ec;
    std::filesystem::create_directories(parentFolder(target), ec);
    if (ec || !writeFileAtomic(target, m.text + "\n").ok) {
      logLine("[Ledger] sidecar import write failed: %s\n", target.c_str());
      continue;
    }
    RebuildIndex();
    logLine("[Ledger] imported print %s from sidecar %s\n", m.printId.c_str(), sidecar.c_str());
    return true;
  }
  return false;
}

}  // namespace vn
