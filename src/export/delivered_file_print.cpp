#include "export/delivered_file_print.h"

#include "ledger/print_identity.h"

namespace vn {

std::string printTokenOfPayloads(const FilePayloads& payloads, const std::string& path) {
  (void)path;  // the bext reader of the ledger takes it from here when the payload has no token
  return payloads.manifest ? printTokenOfId(payloads.manifest->printId) : std::string();
}

std::string PrintTokenOfFile(const std::string& path) {
  const auto payloads = FindPayloads(path);
  return payloads ? printTokenOfPayloads(*payloads, path) : std::string();
}

}  // namespace vn
