#pragma once
// The iXML documents a delivered file carries: the full form with the library
// metadata of a variation's or a bounce's source, the form of an export file
// (description only), and the minimal document that hosts payloads when a file
// has no other.
#include <string>
#include <string_view>

namespace vn {

// & < > " ' as &amp; &lt; &gt; &quot; &apos;; every other byte unchanged.
std::string xmlEscape(std::string_view text);

struct IxmlUserFields {
  std::string description;
  std::string keywords;
  std::string catId;
  std::string category;  // derived from catId through the category table when empty
  std::string subCategory;
};

// Variations and bounces. An empty value leaves its element out; Designer is always there.
std::string fullIxmlDocument(const IxmlUserFields& fields);
// The files of an export run: Description (when not empty) and Designer.
std::string exportIxmlDocument(std::string_view description);
// No USER block at all.
std::string minimalIxmlDocument();

// The element every payload block is inserted before.
constexpr std::string_view kBwfxmlEnd = "</BWFXML>";

}  // namespace vn
