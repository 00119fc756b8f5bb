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
  Document doc;
  const ObjectId header = buildSessionDocument(session, doc, outcome.stats);
  cfb::Tree tree;
  storeDocument(doc, header, tree);
  for (size_t i = 1; i < tree.entries.size(); ++i) ++(tree.entries[i].storage ? outcome.stats.storages : outcome.stats.streams);
  const WriteResult written = cfb::writeCompoundFile(path, tree);
  if (!written.ok) {
    outcome.hr = kAafSaveFailed;
    outcome.step = "Save";
    outcome.error = written.error;
  }
  return outcome;
}

}  // namespace vn::aaf
