#pragma once
// Saving a project copies every sound it uses into the "Audio" folder beside it,
// so the project travels with its sounds.
#include <set>
#include <string>

#include "core/session.h"
#include "core/source_paths.h"

namespace vn {

struct CollectedAudio {
  CollectMap collect;                 // source path -> "Audio/<name>"
  std::set<std::string> usedFileIds;  // library ids of the sources
};

// Sources are the layers' files, the Alloy partners of Alloy layers and the
// events' pinned files. A source already in projectFolder/Audio keeps its name;
// any other existing file is copied there, renamed "stem_2.ext", "stem_3.ext"...
// when another source of this save took its name. A failed copy is logged and
// that source keeps its own path.
CollectedAudio collectAudio(const Session& session, const std::string& projectFolder);

}  // namespace vn
