#pragma once
// Sound files opened through libsndfile's virtual I/O with a buffer of our own:
// the library moves its files 8 KiB at a time, which costs one system call each;
// through this a file is read or written a megabyte at a time.
#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vn {

struct BufferedSoundFile {
  int fd = -1;
  int mode = SFM_READ;
  std::vector<char> buffer;  // writing: bytes not yet written; reading: bytes read ahead
  int64_t bufferStart = 0;   // file offset of buffer[0]
  size_t used = 0;           // valid bytes in buffer
  int64_t position = 0;      // where the library reads or writes next
  int64_t length = 0;        // the file's length as written so far
  int64_t diskLength = 0;    // writing: how far the disk holds it (silence past it is left as a hole)
  bool failed = false;       // a write did not reach the file
};

// Opens path for SFM_READ, or creates (truncates) it for SFM_WRITE. Null when the
// file cannot be opened or the library refuses it; io is then closed.
SNDFILE* openBufferedSoundFile(const std::string& path, int mode, SF_INFO& info, BufferedSoundFile& io);

// Writing leaves whole 4 KiB blocks of zeros past what the disk already holds as
// holes: the file reads the same, and most of a delivered track is silence, which
// then costs neither a copy into the kernel nor room on the disk.
//
// Closes the library's handle, writes what is still buffered and closes the file.
// False when the library reported an error or anything written did not reach the file.
bool closeBufferedSoundFile(SNDFILE* file, BufferedSoundFile& io);

}  // namespace vn
