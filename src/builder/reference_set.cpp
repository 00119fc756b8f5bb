#include "builder/reference_set.h"

#include <algorithm>
#include <cmath>

namespace vn {

ReferenceSet makeReferenceSet(const std::vector<std::string>& paths, LibraryView libraries,
                              std::vector<std::string>* unknown) {
  ReferenceSet set;
  BandArray sum{};
  float centroid = 0.0f, zcr = 0.0f, flat = 0.0f;
  for (const auto& path : paths) {
    if (std::find(set.paths.begin(), set.paths.end(), path) != set.paths.end()) continue;
    const LibraryRecord* r = findLibraryRecord(libraries, {}, path);
    if (!r) {
      if (unknown) unknown->push_back(path);
      continue;
    }
    set.paths.push_back(path);
    const BandArray s = normalisedShares(r->bandShare);
    for (int i = 0; i < kBands; ++i) sum[i] += s[i];
    centroid += r->centroid;
    zcr += r->zeroCrossRate;
    flat += r->flatness;
  }
  if (set.paths.empty()) return set;
  const float n = static_cast<float>(set.paths.size());
  for (int i = 0; i < kBands; ++i) set.shares[i] = sum[i] / n;
  set.centroid = centroid / n;
  set.zeroCrossRate = zcr / n;
  set.flatness = flat / n;
  return set;
}

float referenceAdjusted(const ReferenceSet& set, const LibraryRecord& record, const BandArray& shares,
                        float score) {
  if (std::find(set.paths.begin(), set.paths.end(), record.path) != set.paths.end()) return score * 1.5f;
  float d = 0.0f;
  for (int i = 0; i < kBands; ++i) d += (shares[i] - set.shares[i]) * (shares[i] - set.shares[i]);
  const float dc = record.centroid - set.centroid;
  const float dz = record.zeroCrossRate - set.zeroCrossRate;
  const float df = record.flatness - set.flatness;
  d += 1.5f * dc * dc + dz * dz + df * df;
  return score + 15.0f * std::exp(-8.0f * d);
}

}  // namespace vn
