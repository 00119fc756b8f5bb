// A project read with the Library's look-ups installed: file references reach the
// identity registry, layers follow moved files, and missing sources are listed
// with what uses them.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/project_file.h"
#include "library/file_identity.h"
#include "library/file_lookup_hook.h"
#include "library/libraries.h"
#include "library/missing_sources.h"
#include "library/relink.h"
#include "platform/log.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

TEST(ProjectLookup, LayersTakeTheRegistryPathAndMissingSourcesAreCounted) {
  test::TempDir dir;
  InstallLibraryFileLookup();
  std::string here = dir.file("here.wav");
  test::writeAll(here, std::string(3000, 'h'));
  auto fp = ComputeFileFingerprint(here);
  std::string localId = FileIdFor(here, fp->contentHash, fp->fileSize);

  // The project was made elsewhere: its own id for this content, a stale path, and
  // a second source that exists nowhere.
  std::string project = dir.file("p.vnproj");
  test::writeAll(project, format(R"({
  "format": "Varnel", "version": 9,
  "fileRefs": [
    {"id": "aaaa0000aaaa0001", "hash": "%016llx", "size": "3000", "path": "/elsewhere/here.wav"},
    {"id": "aaaa0000aaaa0002", "hash": "00000000000000ee", "size": "17", "path": "/elsewhere/gone.wav"}],
  "events": [{}, {"pinnedFiles": ["/elsewhere/gone.wav"], "pinnedFileIds": ["aaaa0000aaaa0002"]}, {}],
  "results": [
    {"name": "a", "filepath": "/elsewhere/here.wav", "fileId": "aaaa0000aaaa0001", "eventIdx": 0},
    {"name": "b", "filepath": "/elsewhere/gone.wav", "fileId": "aaaa0000aaaa0002", "eventIdx": 2},
    {"name": "c", "filepath": "/elsewhere/gone.wav", "fileId": "aaaa0000aaaa0002", "eventIdx": 2}]
})",
                                 static_cast<unsigned long long>(fp->contentHash)));
  Session session;
  std::string error;
  ASSERT_TRUE(loadProject(project, session, error)) << error;
  ASSERT_EQ(session.results.size(), 3u);
  EXPECT_EQ(session.results[0].filepath, here);
  EXPECT_EQ(CurrentPathForFileId("aaaa0000aaaa0001"), here);
  EXPECT_EQ(LookupFileIdentity("aaaa0000aaaa0001")->fileId, localId);
  EXPECT_EQ(session.missingFiles, (std::vector<std::string>{"/elsewhere/gone.wav"}));

  Library palette;
  palette.name = "Gone Palette";
  palette.savedPalette = true;
  LibraryRecord held;
  held.path = "/elsewhere/gone.wav";
  held.fileId = "aaaa0000aaaa0002";
  palette.records.push_back(held);
  AddLibrary(palette);

  std::vector<MissingSourceRow> rows = ListMissingSources(session);
  auto row = std::find_if(rows.begin(), rows.end(),
                          [](const MissingSourceRow& r) { return r.source.fileId == "aaaa0000aaaa0002"; });
  ASSERT_NE(row, rows.end());
  EXPECT_EQ(row->source.currentPath, "/elsewhere/gone.wav");
  EXPECT_EQ(row->events, 2);  // event 2 through two layers, event 1 through its pin
  EXPECT_EQ(row->palettes, 1);
  EXPECT_EQ(MissingSourceUsage(*row), "used by 2 events, 1 palette");
  EXPECT_EQ(MissingSourceUsage({{}, 1, 0}), "used by 1 event");
  EXPECT_TRUE(std::none_of(rows.begin(), rows.end(),
                           [&](const MissingSourceRow& r) { return r.source.fileId == localId; }));

  // After a relink every use of the source follows it.
  std::string found = dir.file("found.wav");
  test::writeAll(found, "17 bytes of audio");
  ASSERT_EQ(ForceRelink("aaaa0000aaaa0002", found), 0);
  EXPECT_EQ(ApplyCurrentSourcePaths(session), 3);
  EXPECT_EQ(session.results[1].filepath, found);
  EXPECT_EQ(session.results[2].filepath, found);
  EXPECT_EQ(session.events[1].pinnedFiles[0], found);
  EXPECT_TRUE(session.missingFiles.empty());
  EXPECT_EQ(ApplyCurrentSourcePaths(session), 0);

  std::lock_guard lock(AppLibraries().mutex);
  AppLibraries().libraries.clear();
}

}  // namespace
}  // namespace vn
