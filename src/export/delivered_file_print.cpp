#include "export/delivered_file_print.h"

#include "ledger/print_identity.h"

namespace vn {

std::string PrintTokenOfFile(const std::string& path, const FilePayloads* payloads) {
  std::optional<FilePayloads> read;
  if (!payloads) {
    read = FindPayloads(path);
    payloads = read ? &*read : nullptr;
  }
  if (payloads && payloads->manifest) return printTokenOfId(payloads->manifest->printId);
  return {};
}

}  // namespace vn
