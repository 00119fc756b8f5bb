#include "library/source_metadata.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/log.h"

namespace vn {
namespace {

std::string_view stringOf(SNDFILE* file, int which) {
  const char* s = sf_get_string(file, which);
  return s ? std::string_view(s) : std::string_view();
}

// The bext description field holds up to 256 bytes and need not be terminated.
std::optional<std::string> bextDescription(SNDFILE* file) {
  SF_BROADCAST_INFO info;
  std::memset(&info, 0, sizeof info);
  if (sf_command(file, SFC_GET_BROADCAST_INFO, &info, sizeof info) != SF_TRUE) return std::nullopt;
  return std::string(info.description, strnlen(info.description, sizeof info.description));
}

}  // namespace

void AppendUnique(std::string& target, std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  if (text.empty() || target.find(text) != std::string::npos) return;
  if (!target.empty()) target += ' ';
  target += text;
}

std::string XmlElementText(std::string_view xml, std::string_view name) {
  std::string open = std::string("<").append(name).append(">");
  std::string close = std::string("</").append(name).append(">");
  size_t start = xml.find(open);
  if (start == std::string_view::npos) return {};
  start += open.size();
  size_t end = xml.find(close, start);
  if (end == std::string_view::npos) return {};
  std::string_view inner = xml.substr(start, end - start);

  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  std::string out;
  out.reserve(inner.size());
  for (size_t i = 0; i < inner.size(); ++i) {
    if (inner[i] == '&') {
      bool decoded = false;
      for (const auto& [entity, c] : kEntities) {
        if (inner.substr(i, entity.size()) == entity) {
          out += c;
          i += entity.size() - 1;
          decoded = true;
          break;
        }
      }
      if (decoded) continue;
    }
    out += inner[i];
  }
  return out;
}

std::string ReadIxmlChunk(SNDFILE* file) {
  SF_CHUNK_INFO info;
  std::memset(&info, 0, sizeof info);
  std::memcpy(info.id, "iXML", 4);
  info.id_size = 4;
  SF_CHUNK_ITERATOR* it = sf_get_chunk_iterator(file, &info);
  if (!it) return {};
  if (sf_get_chunk_size(it, &info) != SF_ERR_NO_ERROR || info.datalen == 0) return {};
  if (info.datalen > kIxmlReadCap) {
    logLine("[iXML] chunk is %u bytes, over the %u-byte read cap - refusing (provenance present but unread)\n",
            info.datalen, kIxmlReadCap);
    return {};
  }
  std::string text(info.datalen, '\0');
  info.data = text.data();
  if (sf_get_chunk_data(it, &info) != SF_ERR_NO_ERROR) return {};
  text.resize(std::min<size_t>(text.size(), info.datalen));
  return text;
}

void ReadSourceMetadata(SNDFILE* file, LibraryRecord& record) {
  if (auto bext = bextDescription(file)) record.description = std::move(*bext);
  AppendUnique(record.description, stringOf(file, SF_STR_COMMENT));
  std::string_view title = stringOf(file, SF_STR_TITLE);
  if (record.description.empty()) record.description = std::string(title);
  AppendUnique(record.keywords, title);
  for (int which : {SF_STR_ARTIST, SF_STR_ALBUM, SF_STR_GENRE}) AppendUnique(record.keywords, stringOf(file, which));

  std::string xml = ReadIxmlChunk(file);
  if (xml.empty()) return;
  AppendUnique(record.description, XmlElementText(xml, "Description"));
  AppendUnique(record.description, XmlElementText(xml, "Notes"));
  for (const char* element : {"Keywords", "Category", "SubCategory", "CatID"})
    AppendUnique(record.keywords, XmlElementText(xml, element));
}

}  // namespace vn
