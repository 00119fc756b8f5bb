# Compiles the category table into varnel_library. The table file named by
# VN_CATEGORY_TABLE is read when the build is configured and embedded byte for byte
# into a generated source in the build folder; without it the bare category list
# kept beside this script stands in, with empty subcategories and synonyms.
set(_generated "${CMAKE_BINARY_DIR}/generated/library/category_table_data.cpp")

if(EXISTS "${VN_CATEGORY_TABLE}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${VN_CATEGORY_TABLE}")
  file(READ "${VN_CATEGORY_TABLE}" _table_hex HEX)
  file(READ "${VN_CATEGORY_TABLE}" _table_text)
  string(PREPEND _table_text "\n")
  string(REGEX MATCHALL "\n[^#\n]" _row_starts "${_table_text}")
  list(LENGTH _row_starts _row_count)
  message(STATUS "Category table: ${_row_count} rows from ${VN_CATEGORY_TABLE}")
  set(_complete true)
else()
  set(_fallback "${CMAKE_CURRENT_LIST_DIR}/category_fallback.txt")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_fallback}")
  message(WARNING "Category table not found at ${VN_CATEGORY_TABLE}: building with the bare category "
                  "list (CatID, code and category only; no subcategories or synonyms). Set "
                  "VN_CATEGORY_TABLE to the table file to classify by its words.")
  # Each "CODE|category|CatID ..." line becomes one table row per CatID.
  file(STRINGS "${_fallback}" _lines REGEX "^[^#]")
  set(_table "")
  foreach(_line IN LISTS _lines)
    string(REPLACE "|" ";" _fields "${_line}")
    list(GET _fields 0 _code)
    list(GET _fields 1 _category)
    list(GET _fields 2 _ids)
    string(REPLACE " " ";" _ids "${_ids}")
    foreach(_id IN LISTS _ids)
      string(APPEND _table "${_id}\t${_code}\t${_category}\t\t\n")
    endforeach()
  endforeach()
  string(HEX "${_table}" _table_hex)
  set(_complete false)
endif()

string(LENGTH "${_table_hex}" _hex_length)
math(EXPR _byte_count "${_hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _table_bytes "${_table_hex}")
file(WRITE "${_generated}.new"
     "// Generated when the build is configured; do not edit.\n"
     "#include \"library/category_table_data.h\"\n"
     "namespace vn {\n"
     "const unsigned char kCategoryTableBytes[] = {${_table_bytes}0};\n"
     "const size_t kCategoryTableSize = ${_byte_count};\n"
     "const bool kCategoryTableComplete = ${_complete};\n"
     "}  // namespace vn\n")
configure_file("${_generated}.new" "${_generated}" COPYONLY)
target_sources(varnel_library PRIVATE "${_generated}")
