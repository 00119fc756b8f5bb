#pragma once
// Lays an AAF object graph into a compound-file tree: the root with its
// meta-dictionary (declaring every class the file's objects use) and header, every
// object a storage named after the property that holds it, its properties in one
// "properties" stream, and the "referenced properties" table of weak references.
#include "export/aaf/aaf_document.h"
#include "export/aaf/cfb_writer.h"

namespace vn::aaf {

// A strong reference's storage name: the property name squeezed to fit, then its pid.
std::string mangledName(const std::string& name, uint16_t pid, size_t size);

// doc gains the meta-dictionary's objects; header is the Header object.
void storeDocument(Document& doc, ObjectId header, cfb::Tree& tree);

}  // namespace vn::aaf
