#pragma once
// The meta-dictionary of a file: a class definition for every class its objects
// belong to (with their ancestors and every property), and a type definition for
// every type those properties and the file's indirect values use, with the types
// those are made of, so a reader needs no built-in model to decode the file.
#include "export/aaf/aaf_document.h"

namespace vn::aaf {

// Adds the meta-dictionary's objects to doc; the MetaDictionary object.
ObjectId buildMetaDictionary(Document& doc);

}  // namespace vn::aaf
