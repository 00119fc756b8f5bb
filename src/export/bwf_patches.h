#pragma once
// The two changes made by hand to a file libsndfile has written and closed.
#include <cstdint>
#include <string>
#include <string_view>

namespace vn {

// Above this an iXML text does not go through libsndfile's chunk interface but is
// appended to the closed file.
constexpr size_t kIxmlChunkInterfaceLimit = 49152;

// Appends an "iXML" chunk holding text (padded to an even size) and corrects the
// RIFF size. On failure logs "[Export] iXML append failed ..." and returns false;
// the audio stays valid.
bool appendIxmlChunk(const std::string& path, std::string_view text);

// An extensible file gets the layout's channel mask in its fmt chunk and loses its
// `fact` chunk (a PCM file has no use for it). Where `fact` comes right before
// `bext`, as libsndfile writes them, the bext chunk takes its place in the file
// itself; otherwise the file is copied chunk by chunk to path + ".tmp", which then
// replaces it. False when the file is not RIFF/WAVE or cannot be changed (a failed
// copy leaves the original as it was).
bool finalizeExtensibleWav(const std::string& path, uint32_t channelMask);

}  // namespace vn
