#include "export/delivered_file_print.h"

#include "ledger/print_identity.h"
#include "ledger/read_print_token.h"
#include "ledger/resolve_print.h"

namespace vn {

std::string PrintTokenOfFile(const std::string& path, const FilePayloads* payloads) {
  std::optional<FilePayloads> read;
  if (!payloads) {
    read = FindPayloads(path);
    payloads = read ? &*read : nullptr;
  }
  if (payloads && payloads->manifest) {
    std::string token = printTokenOfId(payloads->manifest->printId);
    if (!token.empty()) return token;
  }
  return ReadPrintToken(path);
}

std::optional<PrintIndexEntry> ResolvePrintOfFile(const std::string& path) {
  return ResolvePrint(path, PrintTokenOfFile(path));
}

}  // namespace vn
