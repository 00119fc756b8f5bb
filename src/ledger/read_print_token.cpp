#include "ledger/read_print_token.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "ledger/print_identity.h"

namespace vn {

std::string printTokenOfBextTexts(const std::string& originatorReference, const std::string& codingHistory) {
  if (originatorReference.size() >= 10 && originatorReference.compare(0, 2, "VN") == 0)
    return "~VN" + originatorReference.substr(2, 8);
  for (size_t at = codingHistory.find("~VN"); at != std::string::npos; at = codingHistory.find("~VN", at + 1)) {
    if (at + 11 > codingHistory.size()) break;
    std::string token = "~VN";
    for (size_t i = at + 3; i < at + 11 && isCrockfordChar(codingHistory[i]); ++i)
      token += static_cast<char>(std::toupper(static_cast<unsigned char>(codingHistory[i])));
    if (token.size() == 11) return token;
  }
  return {};
}

std::string ReadPrintToken(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return {};
  SF_BROADCAST_INFO bext{};
  const bool has = sf_command(file, SFC_GET_BROADCAST_INFO, &bext, sizeof bext) == SF_TRUE;
  sf_close(file);
  if (!has) return {};
  const std::string reference(bext.originator_reference, strnlen(bext.originator_reference, sizeof bext.originator_reference));
  const size_t historySize = std::min<size_t>(bext.coding_history_size, sizeof bext.coding_history);
  const std::string history(bext.coding_history, strnlen(bext.coding_history, historySize));
  return printTokenOfBextTexts(reference, history);
}

}  // namespace vn
