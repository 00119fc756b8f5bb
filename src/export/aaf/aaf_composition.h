#pragma once
// Builds the object graph of a session: header, identification, dictionary, the
// composition "Varnel Timeline" with its timecode, audio and marker slots, and for
// every clip a master mob and a file source mob locating its essence.
#include "export/aaf/aaf_document.h"
#include "export/aaf/aaf_session.h"

namespace vn::aaf {

// The Header object of the graph built into doc.
ObjectId buildSessionDocument(const Session& session, Document& doc, WriteStats& stats);

// "file:///..." with every byte outside the unreserved set and '/' percent-encoded.
std::string fileUrl(const std::string& absolutePath);

}  // namespace vn::aaf
