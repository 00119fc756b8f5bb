#include "export/ixml_document.h"

#include "library/categories.h"

namespace vn {
namespace {

constexpr std::string_view kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<BWFXML>\n"
    "  <IXML_VERSION>1.5</IXML_VERSION>\n"
    "  <PROJECT>Varnel</PROJECT>\n";

void userElement(std::string& out, std::string_view name, std::string_view value) {
  if (value.empty()) return;
  out.append("    <").append(name).append(">");
  out += xmlEscape(value);
  out.append("</").append(name).append(">\n");
}

std::string withUserBlock(std::string_view body) {
  std::string out(kHead);
  out += "  <USER>\n";
  out += body;
  out += "    <Designer>Varnel</Designer>\n  </USER>\n</BWFXML>\n";
  return out;
}

}  // namespace

std::string xmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string fullIxmlDocument(const IxmlUserFields& fields) {
  std::string category = fields.category;
  if (category.empty() && !fields.catId.empty()) {
    if (const CategoryRow* row = LookupCategoryById(fields.catId)) category = row->category;
  }
  std::string body;
  userElement(body, "Description", fields.description);
  userElement(body, "Keywords", fields.keywords);
  userElement(body, "CatID", fields.catId);
  userElement(body, "Category", category);
  userElement(body, "SubCategory", fields.subCategory);
  return withUserBlock(body);
}

std::string exportIxmlDocument(std::string_view description) {
  std::string body;
  userElement(body, "Description", description);
  return withUserBlock(body);
}

std::string minimalIxmlDocument() {
  std::string out(kHead);
  out += kBwfxmlEnd;
  out += "\n";
  return out;
}

}  // namespace vn
