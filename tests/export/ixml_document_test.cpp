#include <gtest/gtest.h>

#include "export/ixml_document.h"
#include "library/categories.h"

namespace vn {
namespace {

TEST(IxmlDocument, FullFormLineByLineWithEscapesAndDerivedCategory) {
  IxmlUserFields f;
  f.description = "Door & \"latch\" <heavy> 'oak'";
  f.keywords = "door, slam";
  f.catId = "DOORWood";
  f.subCategory = "wood";
  const CategoryRow* row = LookupCategoryById("DOORWood");
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(fullIxmlDocument(f),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<BWFXML>\n"
            "  <IXML_VERSION>1.5</IXML_VERSION>\n"
            "  <PROJECT>Varnel</PROJECT>\n"
            "  <USER>\n"
            "    <Description>Door &amp; &quot;latch&quot; &lt;heavy&gt; &apos;oak&apos;</Description>\n"
            "    <Keywords>door, slam</Keywords>\n"
            "    <CatID>DOORWood</CatID>\n"
            "    <Category>" + row->category + "</Category>\n"
            "    <SubCategory>wood</SubCategory>\n"
            "    <Designer>Varnel</Designer>\n"
            "  </USER>\n</BWFXML>\n");

  // A given category wins; empty values leave their elements out.
  IxmlUserFields sparse;
  sparse.catId = "DOORWood";
  sparse.category = "Mine";
  const std::string doc = fullIxmlDocument(sparse);
  EXPECT_NE(doc.find("    <Category>Mine</Category>\n"), std::string::npos);
  EXPECT_EQ(doc.find("<Description>"), std::string::npos);
  EXPECT_EQ(doc.find("<Keywords>"), std::string::npos);
  EXPECT_EQ(doc.find("<SubCategory>"), std::string::npos);
  // An unknown CatID derives nothing.
  sparse.catId = "NOSUCHid";
  sparse.category.clear();
  EXPECT_EQ(fullIxmlDocument(sparse).find("<Category>"), std::string::npos);
}

TEST(IxmlDocument, ExportAndMinimalForms) {
  EXPECT_EQ(exportIxmlDocument("Mix & stems"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<BWFXML>\n"
            "  <IXML_VERSION>1.5</IXML_VERSION>\n"
            "  <PROJECT>Varnel</PROJECT>\n"
            "  <USER>\n"
            "    <Description>Mix &amp; stems</Description>\n"
            "    <Designer>Varnel</Designer>\n"
            "  </USER>\n</BWFXML>\n");
  EXPECT_EQ(exportIxmlDocument("").find("<Description>"), std::string::npos);
  EXPECT_EQ(minimalIxmlDocument(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<BWFXML>\n  <IXML_VERSION>1.5</IXML_VERSION>\n"
            "  <PROJECT>Varnel</PROJECT>\n</BWFXML>\n");
}

}  // namespace
}  // namespace vn
