#include <unistd.h>

#include "export/aaf/aaf_composition.h"
#include "export/aaf/aaf_session.h"
#include "export/aaf/aaf_store.h"

namespace vn::aaf {

WriteOutcome writeSessionFile(const std::string& path, const Session& session) {
  WriteOutcome outcome;
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  if (path.empty() || ::access(folder.c_str(), W_OK) != 0) {
    outcome.hr = kAafOpenFailed;
    outcome.step = "OpenNewModifyEx";
    outcome.error = "the AAF file's folder cannot be written";
    return outcome;
  }
  // The graph and the container of the last file written on this thread, emptied and
  // kept for the next: tens of megabytes of fresh pages cost more than building them.
  thread_local Document doc;
  thread_local cfb::Tree tree;
  clearDocument(doc);
  cfb::clearTree(tree);
  const ObjectId header = buildSessionDocument(session, doc, outcome.stats);
  storeDocument(doc, header, tree);
  outcome.stats.storages = static_cast<int>(cfb::storageCount(tree));
  outcome.stats.streams = static_cast<int>(cfb::streamCount(tree));
  const WriteResult written = cfb::writeCompoundFile(path, tree);
  if (!written.ok) {
    outcome.hr = kAafSaveFailed;
    outcome.step = "Save";
    outcome.error = written.error;
  }
  return outcome;
}

}  // namespace vn::aaf
