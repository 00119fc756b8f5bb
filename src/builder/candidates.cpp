#include "builder/candidates.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "builder/scoring.h"
#include "platform/fnv.h"

namespace vn {
namespace {

std::string_view trimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool filterNames(const Library& lib, std::string_view filter) {
  size_t start = 0;
  while (start <= filter.size()) {
    size_t comma = filter.find(',', start);
    if (comma == std::string_view::npos) comma = filter.size();
    const std::string_view item = trimSpaces(filter.substr(start, comma - start));
    start = comma + 1;
    if (item.empty()) continue;
    if (equalsNoCase(lib.name, item)) return true;
    for (const auto& old : lib.previousNames)
      if (old == item) return true;
  }
  return false;
}

std::vector<const LibraryRecord*> collect(LibraryView libraries, int busPosition,
                                          std::string_view libFilter) {
  std::vector<const LibraryRecord*> out;
  for (const Library* lib : libraries) {
    if (!lib || !lib->rootEnabled) continue;
    if (lib->rootNumber >= 0 && busPosition >= 0 && lib->rootNumber != busPosition) continue;
    if (!libFilter.empty() && !filterNames(*lib, libFilter)) continue;
    for (const auto& r : lib->records) out.push_back(&r);
  }
  return out;
}

float sq(float v) { return v * v; }

}  // namespace

CandidateList makeCandidateList(std::vector<const LibraryRecord*> records) {
  CandidateList list;
  list.records = std::move(records);
  list.traits.reserve(list.records.size());
  uint64_t h = fnvFeedU64(kFnvStart, list.records.size());
  for (const LibraryRecord* r : list.records) {
    list.traits.push_back(traitsOf(*r));
    h = fnvFeedU64(h, reinterpret_cast<uintptr_t>(r));
  }
  list.identity = h;
  list.folded = std::make_shared<FoldedTexts>();
  return list;
}

const std::vector<FoldedRecord>& foldedTexts(const CandidateList& list) {
  static const std::vector<FoldedRecord> kNone;
  if (!list.folded) return kNone;
  std::call_once(list.folded->once, [&] {
    list.folded->records.resize(list.records.size());
    for (size_t i = 0; i < list.records.size(); ++i) foldRecord(*list.records[i], list.folded->records[i]);
  });
  return list.folded->records;
}

CandidateList gatherCandidates(LibraryView libraries, int busPosition, std::string_view libFilter) {
  if (libFilter == "~none~") return {};
  auto records = collect(libraries, busPosition, libFilter);
  if (records.empty() && busPosition >= 0) records = collect(libraries, -1, libFilter);
  return makeCandidateList(std::move(records));
}

float soundAlikeDistance(const LibraryRecord& a, const LibraryRecord& b) {
  const BandArray sa = normalisedShares(a.bandShare), sb = normalisedShares(b.bandShare);
  float bands = 0.0f;
  for (int i = 0; i < kBands; ++i) bands += sq(sa[i] - sb[i]);
  return 3.0f * bands + 2.0f * sq(a.centroid - b.centroid) + 2.0f * sq(a.highRatio - b.highRatio) +
         1.5f * sq(a.zeroCrossRate - b.zeroCrossRate) + 1.5f * sq(a.flatness - b.flatness) +
         sq(a.harmonicRatio - b.harmonicRatio) + sq(a.crestDb / 20.0f - b.crestDb / 20.0f);
}

float rerollDistance(const LibraryRecord& a, const LibraryRecord& b) {
  return soundAlikeDistance(a, b) + 0.5f * sq(a.dynamicRangeDb / 20.0f - b.dynamicRangeDb / 20.0f) +
         0.8f * sq(a.temporalCentroid - b.temporalCentroid) + 0.8f * sq(a.spectralFlux - b.spectralFlux);
}

CandidateList soundAlikes(const CandidateList& candidates, std::string_view pinnedPath) {
  const LibraryRecord* pinned = nullptr;
  for (const LibraryRecord* r : candidates.records)
    if (r->path == pinnedPath) {
      pinned = r;
      break;
    }
  if (!pinned) return candidates;
  std::vector<const LibraryRecord*> near;
  for (const LibraryRecord* r : candidates.records)
    if (r != pinned && soundAlikeDistance(*pinned, *r) < 1.5f) near.push_back(r);
  return makeCandidateList(std::move(near));
}

const LibraryRecord* findLibraryRecord(LibraryView libraries, std::string_view fileId,
                                       std::string_view path) {
  if (!fileId.empty())
    for (const Library* lib : libraries)
      if (lib)
        for (const auto& r : lib->records)
          if (r.fileId == fileId) return &r;
  if (!path.empty())
    for (const Library* lib : libraries)
      if (lib)
        for (const auto& r : lib->records)
          if (r.path == path) return &r;
  return nullptr;
}

bool sameFoldedTexts(const std::weak_ptr<const FoldedTexts>& texts, const CandidateList& list) {
  return list.folded && !texts.expired() && !texts.owner_before(list.folded) && !list.folded.owner_before(texts);
}

}  // namespace vn
