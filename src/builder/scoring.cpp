#include "builder/scoring.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace vn {
namespace {

// Spectral match of the record's shares to the target profile; the outer bands
// weigh most because a wrong low or high end is what the ear notices first.
float spectralMatch(const BandArray& s, const BandArray& t) {
  static constexpr float kWeights[kBands] = {1.4f, 0.8f, 0.6f, 1.0f, 1.4f};
  float d2 = 0.0f;
  for (int i = 0; i < kBands; ++i) d2 += kWeights[i] * (s[i] - t[i]) * (s[i] - t[i]);
  return std::max(0.0f, 1.0f - 2.5f * std::sqrt(d2));
}

// Rewards records that fill bands the event has left free and penalises piling
// onto bands that are already full. e: the occupied energy relative to its
// fullest band (as it is when that band holds 0.01 or less).
BandArray occupiedShare(const BandArray& occupied) {
  float mx = 0.0f;
  for (float v : occupied) mx = std::max(mx, v);
  BandArray e = occupied;
  if (mx > 0.01f)
    for (float& v : e) v /= mx;
  return e;
}

float bandFilling(float score, float match, const CandidateTraits& r, const BandArray& e) {
  static constexpr float kOverWeights[kBands] = {1.5f, 0.8f, 0.6f, 1.2f, 1.5f};
  float fill = 0.0f, over = 0.0f;
  for (int i = 0; i < kBands; ++i) {
    fill += (1.0f - clampf(e[i], 0.0f, 1.0f)) * r.rawShares[i];
    if (e[i] > 0.5f) {
      const float x = 2.0f * (e[i] - 0.5f);
      over += r.rawShares[i] * x * x * kOverWeights[i];
    }
  }
  score += match * 15.0f * clampf(2.0f * fill, 0.0f, 1.0f);
  return std::max(1.0f, score - match * 10.0f * clampf(over, 0.0f, 1.0f));
}

float durationFit(float score, const CandidateTraits& r, float D, ShapeType shape) {
  const float L = r.duration;
  if (L >= D) return score + 15.0f * (L > 0.0f ? clampf(2.0f * D / L, 0.0f, 1.0f) : 1.0f);
  const float q = L / D;
  score += 7.5f * q;
  // A swelling shape cannot stretch a short sound over its length.
  if ((shape == ShapeType::Bloom || shape == ShapeType::Contour) && q < 0.85f) score *= q;
  return score;
}

float character(const CandidateTraits& tr, float impact) {
  const float A = clampf(impact, 0.0f, 1.0f);
  return 10.0f * (tr.calm * (1.0f - A) + tr.hit * A);
}

float shapeTerm(const CandidateTraits& tr, float D, ShapeType shape) {
  const float L = tr.duration;
  switch (shape) {
    case ShapeType::Spot: {
      float s = 0.0f;
      if (L >= 0.8f * D && D > 0.0f) s += 10.0f * (1.0f - 2.0f * std::fabs(std::min(2.0f * D, L) / (2.0f * D) - 0.5f));
      return s + tr.spotClean;
    }
    case ShapeType::Bloom:
    case ShapeType::Contour: return tr.swellShape;
    case ShapeType::Fill: return 5.0f * clampf(L / std::max(1.0f, D), 0.0f, 1.0f) + tr.fillSteady;
    case ShapeType::Scatter: return tr.scatterShape;
    default: return 7.5f;
  }
}

}  // namespace

CandidateTraits traitsOf(const LibraryRecord& r) {
  CandidateTraits tr;
  tr.rawShares = r.bandShare;
  tr.shares = normalisedShares(r.bandShare);
  tr.brightness = r.brightness;
  tr.duration = r.duration;
  tr.noisiness = noisiness(r);
  const float c = clampf(r.crestDb / 18.0f, 0.0f, 1.0f);
  const float f = 2.5f * r.spectralFlux;
  const float t = std::fabs(r.temporalCentroid - 0.5f);
  const float z = r.zeroCrossRate, cr = r.crestDb;
  tr.calm = 0.3f * clampf(1.0f - f, 0.0f, 1.0f) + 0.4f * clampf(1.0f - c, 0.0f, 1.0f) + 0.3f * (1.0f - 2.0f * t);
  tr.hit = 0.3f * clampf(1.0f - 5.0f * r.inharmonicity, 0.0f, 1.0f) + 0.4f * c + 0.3f * clampf(f, 0.0f, 1.0f);
  tr.spotClean = 5.0f * clampf(1.0f - 3.0f * r.inharmonicity, 0.0f, 1.0f);
  tr.swellShape = 5.0f * clampf(2.0f * z, 0.0f, 1.0f) + 5.0f * clampf(1.0f - cr / 20.0f, 0.0f, 1.0f) + 5.0f * (1.0f - 3.0f * t);
  tr.fillSteady = 3.0f * clampf(1.0f - cr / 20.0f, 0.0f, 1.0f) + 3.0f * clampf(1.0f - 3.0f * r.spectralFlux, 0.0f, 1.0f) +
                  2.0f * clampf(2.0f * z, 0.0f, 1.0f) + 2.0f * (1.0f - 3.0f * t);
  tr.scatterShape = 10.0f * clampf(2.0f * r.spectralFlux, 0.0f, 1.0f) + 5.0f * clampf(cr / 15.0f, 0.0f, 1.0f);
  return tr;
}

float keywordScore(const LibraryRecord& record, std::span<const PreparedTerm> terms) {
  thread_local FoldedRecord folded;  // its buffers serve record after record
  foldRecord(record, folded);
  return keywordScore(folded, terms);
}

float keywordScore(const FoldedRecord& folded, std::span<const PreparedTerm> terms) {
  thread_local std::vector<uint8_t> matches;
  matches.resize(terms.size());
  for (size_t t = 0; t < terms.size(); ++t) matches[t] = static_cast<uint8_t>(matchFolded(folded, terms[t]));
  return keywordFromMatches(terms, matches);
}

float keywordFromMatches(std::span<const PreparedTerm> terms, std::span<const uint8_t> matches) {
  int count = 0, sum = 0;
  for (size_t t = 0; t < terms.size(); ++t) {
    const int m = matches[t];
    if (terms[t].mode == TermMode::Required && m == 0) return -1.0f;
    if (terms[t].mode == TermMode::Excluded) {
      if (m > 0) return -1.0f;
      continue;
    }
    ++count;
    sum += m;
  }
  if (count < 1 || sum < 1) return 0.0f;
  return std::min(1.0f, static_cast<float>(sum) / (3.0f * count)) * 50.0f;
}

PreparedScore prepareScore(const ScoreRequest& request) {
  PreparedScore p;
  p.request = request;
  p.target = targetBandProfile(request.weight);
  p.hasTerms = !request.terms.empty();
  if (request.occupied) p.occupiedShare = occupiedShare(*request.occupied);
  return p;
}

float scoreCandidate(const LibraryRecord& record, const ScoreRequest& request, std::optional<float> keyword) {
  const PreparedScore prepared = prepareScore(request);
  float k = 0.0f;
  if (keyword) {
    k = *keyword;
  } else if (prepared.hasTerms) {
    const auto terms = prepareTerms(request.terms);
    k = keywordScore(record, terms);
  }
  return scorePrepared(traitsOf(record), prepared, k);
}

float scoreCeiling(const CandidateTraits& traits, const PreparedScore& p, float K) {
  // A negative length turns the duration step's factor into a sign flip; no bound then.
  if (!(traits.duration >= 0.0f)) return std::numeric_limits<float>::infinity();
  const float g = std::fabs(traits.brightness - (0.8f * p.request.weight + 0.1f));
  if (!(g <= 0.4f)) return 0.0f;
  const float B = p.hasTerms ? 30.0f : 50.0f;
  const float F = p.hasTerms ? 0.1f : 0.01f;
  const float Bm = std::max(0.02f, 1.0f - (p.hasTerms ? 3.0f : 4.0f) * g);
  // keyword, spectral with M = 1, band filling 15, duration 15, character 10,
  // shape 15, contrast 12.
  const float raw = (p.hasTerms ? std::max(K, 0.0f) : 0.0f) + B * (0.8f * Bm + 0.2f) + 67.0f;
  // The final factor with a perfect spectral match; with words it is capped by
  // the brightness gap, and a record that matches none of them keeps 0.15.
  float factor = std::sqrt(Bm) * (1.0f - F) + F;
  if (p.hasTerms) {
    factor = std::min(0.1f + 0.9f * std::max(0.0f, 1.0f - 3.0f * g), factor);
    if (K < 0.01f) factor *= 0.15f;
  }
  // The small margin covers rounding in the other order of operations.
  return 1.001f * raw * factor;
}

float scorePrepared(const CandidateTraits& traits, const PreparedScore& p, float K) {
  const ScoreRequest& q = p.request;
  const float B = p.hasTerms ? 30.0f : 50.0f;
  const float F = p.hasTerms ? 0.1f : 0.01f;
  if (!p.hasTerms) K = 0.0f;
  if (K < 0.0f) return 0.0f;
  float score = K;

  const float g = std::fabs(traits.brightness - (0.8f * q.weight + 0.1f));
  if (!(g <= 0.4f)) return 0.0f;
  const float M = spectralMatch(traits.shares, p.target);
  const float Bm = std::max(0.02f, 1.0f - (p.hasTerms ? 3.0f : 4.0f) * g);
  score += B * 0.5f * M * Bm + B * 0.3f * Bm + B * 0.2f * M;

  if (q.occupied && M > 0.1f) score = bandFilling(score, M, traits, p.occupiedShare);
  score = durationFit(score, traits, q.duration, q.shape);
  score += character(traits, q.impact);
  score += shapeTerm(traits, q.duration, q.shape);

  if (q.noisinessTarget >= 0.0f && q.pickCount >= 1) {
    const float dv = std::fabs(traits.noisiness - q.noisinessTarget);
    score += 12.0f * clampf(2.0f * dv, 0.0f, 1.0f);
    if (q.pickCount >= 2 && dv < 0.15f) score *= 0.7f;
  }

  const float fq = std::sqrt(std::max(0.0f, M) * std::max(0.0f, Bm));
  const float f = fq * (1.0f - F) + F;
  if (!p.hasTerms) return std::max(0.0f, score * f);
  float result = score * std::min(0.1f + 0.9f * std::max(0.0f, 1.0f - 3.0f * g), f);
  if (K < 0.01f) result *= 0.15f;
  return std::max(0.0f, result);
}

}  // namespace vn
