#pragma once
// Every file the program writes goes through here: the bytes go to path + ".tmp",
// which is flushed, committed to disk and renamed over the target. On any failure
// the temporary file is removed and the previous file stays as it was.
#include <string>
#include <string_view>
#include <vector>

namespace vn {

struct WriteResult {
  bool ok = false;
  bool renameFailed = false;  // the content was written but could not replace the target
  std::string error;          // the reason, as the system reports it
};

WriteResult writeFileAtomic(const std::string& path, std::string_view content);

// Many files at once, each as above, but one flush of the file system commits all of
// their temporary files before the renames: a batch of small records costs one disk
// commit instead of one each. One result per file, in order.
struct FileContent {
  std::string path;
  std::string_view content;
};
std::vector<WriteResult> writeFilesAtomic(const std::vector<FileContent>& files);

// The second half of the same, for a file written another way (a sound file made by
// a library): commits tmp to disk and renames it over path; on failure tmp is removed.
WriteResult commitFileAtomic(const std::string& tmp, const std::string& path);

}  // namespace vn
