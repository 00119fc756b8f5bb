#include "ledger/resolve_print.h"

#include <vector>

#include "ledger/print_hashes.h"
#include "ledger/prints_folder.h"
#include "ledger/read_print_token.h"
#include "ledger/sidecar.h"
#include "library/file_identity.h"
#include "platform/log.h"

namespace vn {
namespace {

struct FileKeys {
  std::string token;
  uint64_t outputHash = 0;
  uint64_t pcmHash = 0;
  bool pcmHashComputed = false;
};

uint64_t pcmHashOf(const std::string& path, FileKeys& keys) {
  if (!keys.pcmHashComputed) {
    keys.pcmHash = ComputePcmHash(path);
    keys.pcmHashComputed = true;
  }
  return keys.pcmHash;
}

// The candidates by token, then by bytes, then by samples, each tried only while
// nothing was found; the last key tried is named in the ambiguity line.
std::vector<PrintIndexEntry> lookUp(const std::string& path, FileKeys& keys, std::string& keyUsed) {
  std::vector<PrintIndexEntry> found;
  if (!keys.token.empty()) {
    found = FindPrints(PrintKey::PrintToken, keys.token);
    keyUsed = keys.token;
  }
  if (found.empty() && keys.outputHash != 0) {
    keyUsed = hashText(keys.outputHash);
    found = FindPrints(PrintKey::OutputHash, keyUsed);
  }
  if (found.empty() && pcmHashOf(path, keys) != 0) {
    keyUsed = hashText(keys.pcmHash);
    found = FindPrints(PrintKey::PcmHash, keyUsed);
  }
  return found;
}

}  // namespace

std::optional<PrintIndexEntry> ResolvePrint(const std::string& audioPath, const std::string& printToken) {
  FileKeys keys;
  keys.token = printToken.empty() ? ReadPrintToken(audioPath) : printToken;
  if (std::optional<FileFingerprint> fp = ComputeFileFingerprint(audioPath)) keys.outputHash = fp->contentHash;
  std::string keyUsed = audioPath;
  std::vector<PrintIndexEntry> found = lookUp(audioPath, keys, keyUsed);
  if (found.empty() && ImportFromSidecars(audioPath, keys.token, keys.outputHash, pcmHashOf(audioPath, keys)))
    found = lookUp(audioPath, keys, keyUsed);
  if (found.size() > 1 && keys.outputHash != 0) {
    const std::string hash = hashText(keys.outputHash);
    std::vector<PrintIndexEntry> narrowed;
    for (PrintIndexEntry& e : found)
      if (e.outputHash == hash) narrowed.push_back(std::move(e));
    found = std::move(narrowed);
  }
  if (found.size() == 1) return std::move(found.front());
  if (found.size() > 1)
    logLine("[Ledger] %d prints match %s - ambiguous, not guessing\n", static_cast<int>(found.size()), keyUsed.c_str());
  return std::nullopt;
}

}  // namespace vn
