#pragma once
// The category table as embedded by the build: tab-separated rows of CatID, code,
// category, subcategory and synonyms, lines starting with "#" being comments.
#include <cstddef>

namespace vn {

extern const unsigned char kCategoryTableBytes[];
extern const size_t kCategoryTableSize;
// False when the build had only the bare category list.
extern const bool kCategoryTableComplete;

}  // namespace vn
