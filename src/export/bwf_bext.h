#pragma once
// The Broadcast-WAV information block (`bext`) of a delivered file: what goes in
// each field, how libsndfile is handed it, the patch that makes the written chunk
// say exactly that, and the reader that gets it back.
#include <sndfile.h>

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "export/wav_chunks.h"
#include "ledger/print_identity.h"

namespace vn {

// The Print a file is recorded as; given to a writer only when one is recorded.
struct BwfProvenance {
  PrintIdentity print;
  std::string kind;  // "export" when empty; else "bounce", "reverb", "aaf essence", a variation kind...
};

struct BextFields {
  std::string description;          // 256 bytes at most
  std::string originator;           // 32
  std::string originatorReference;  // 32
  std::string originationDate;      // "YYYY-MM-DD", 10
  std::string originationTime;      // "HH:MM:SS", 8
  uint64_t timeReference = 0;       // samples since midnight of the timeline
  int version = 1;
  std::string codingHistory;  // 256 bytes at most
};

// Byte offsets inside the chunk body.
constexpr size_t kBextVersionOffset = 346;
constexpr size_t kBextCodingHistoryOffset = 602;
constexpr size_t kBextFieldLimit = 256;

// truncate(sampleRate x startSeconds); 0 for a negative or non-finite start.
uint64_t timeReferenceOf(int sampleRate, double startSeconds);

// "A=PCM,F=48000,W=24,M=stereo,T=Varnel <version> <kind> <token>" and the line end:
// "mono" for one channel, "stereo" for two or more.
std::string codingHistoryLine(int sampleRate, int channels, const std::string& kind, const std::string& printToken);

// Every field of a file about to be written; now gives the UTC date and time.
BextFields makeBextFields(const char* description, int sampleRate, int channels, double startSeconds,
                          const BwfProvenance* provenance, std::time_t now);

// What libsndfile's broadcast-info command is handed.
void toBroadcastInfo(const BextFields& fields, SF_BROADCAST_INFO& info);

// libsndfile writes version 2 and appends a coding-history line of its own; after
// the file is closed this puts version 1 and exactly fields.codingHistory (the rest
// of the field zeroed) into the chunk in place. False when the file has no bext
// chunk or cannot be written.
bool patchBextChunk(int fd, const WavChunkList& chunks, const BextFields& fields);

// The fields of a file's bext chunk; nullopt when it has none. A chunk shorter than
// its fixed part gives the fields that fit.
std::optional<BextFields> readBextChunk(int fd, const WavChunkList& chunks);

}  // namespace vn
