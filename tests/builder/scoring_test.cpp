// The scoring figures below are worked out by hand from the scoring rules for
// the reference record (build_fixtures.h), layer weight 0.5.
//
// Target profile for w = 0.5: centre c = 0.5; raw values 0.97·exp(-16(p-c)²)+0.03
// at p = .1 .3 .5 .7 .9 are 0.1050 0.5415 1 0.5415 0.1050 (sum 2.2929), so
// T = 0.0458 0.2362 0.4361 0.2362 0.0458.
// Shares s = 0.05 0.25 0.45 0.2 0.05 (sum 1): s - T = .0042 .0138 .0139 -.0362 .0042;
// d² = 1.4·.0042² + .8·.0138² + .6·.0139² + .0362² + 1.4·.0042² = 0.001626;
// M = 1 - 2.5·√d² = 1 - 2.5·0.04032 = 0.89921.
// Brightness 0.6: g = |0.6 - (0.8·0.5 + 0.1)| = 0.1.
// Character (impact 0.5): c = 9/18 = .5, f = 2.5·.2 = .5, t = |.3-.5| = .2;
// calm = .3·.5 + .4·.5 + .3·(1-.4) = .53; hit = .3·(1-.5) + .4·.5 + .3·.5 = .5;
// 10·(.53·.5 + .5·.5) = 5.15.
#include <gtest/gtest.h>

#include <cmath>

#include "builder/scoring.h"
#include "build_fixtures.h"

namespace vn {
namespace {

ScoreRequest spotRequest(float duration) {
  ScoreRequest q;
  q.weight = 0.5f;
  q.duration = duration;
  q.shape = ShapeType::Spot;
  q.impact = 0.5f;
  return q;
}

TEST(Scoring, WithoutTermsMatchesTheWorkedFigures) {
  const LibraryRecord r = test::referenceRecord();
  // No terms: B = 50, F = 0.01, Bm = 1 - 4·0.1 = 0.6.
  // spectral = 50·.5·M·.6 + 50·.3·.6 + 50·.2·M = 13.488 + 9 + 8.992 = 31.480
  // duration (L = 2 ≥ D = 1): +15·clamp(2·1/2) = 15
  // character +5.15; Spot: min(2D, L)/(2D) = 1, 10·(1 - 2·|1 - .5|) = 0; +5·(1 - 3·.1) = 3.5
  // total 55.130; q = √(M·Bm) = √(0.53953) = 0.73452; f = q·0.99 + 0.01 = 0.73718
  // score = 55.130 · 0.73718 = 40.641
  EXPECT_NEAR(scoreCandidate(r, spotRequest(1.0f)), 40.641f, 0.02f);

  // Bloom of 4 s against the 2 s file: q = 0.5, +7.5·0.5 = 3.75, then halved:
  // (31.480 + 3.75)·0.5 = 17.615; +5.15; Bloom terms 5·clamp(2·.2) = 2,
  // 5·clamp(1 - 9/20) = 2.75, 5·(1 - 3·.2) = 2: +6.75 → 29.515 · 0.73718 = 21.758.
  ScoreRequest bloom = spotRequest(4.0f);
  bloom.shape = ShapeType::Bloom;
  EXPECT_NEAR(scoreCandidate(r, bloom), 21.758f, 0.02f);
  // The same 2 s file for a 4 s Spot only gains 3.75 (no halving, and L < 0.8D
  // skips the length term): (31.480 + 3.75 + 5.15 + 3.5)·0.73718 = 32.347.
  EXPECT_NEAR(scoreCandidate(r, spotRequest(4.0f)), 32.347f, 0.02f);
}

TEST(Scoring, KeywordsGateAndWeighTheScore) {
  const auto terms = parseSearchTerms("glass +break -metal");
  ScoreRequest q = spotRequest(1.0f);
  q.terms = terms;
  // With terms: B = 30, F = 0.1, Bm = max(.02, 1 - 3·0.1) = 0.7;
  //   spectral = 30·.5·M·.7 + 30·.3·.7 + 30·.2·M = 9.4417 + 6.3 + 5.3952 = 21.137
  // Glass_Break_01: glass 3 + break 3 over 2 counted terms: K = min(1, 6/6)·50 = 50.
  //   total = 50 + 21.137 + 15 + 5.15 + 3.5 = 94.787
  //   q = √(M·0.7) = 0.79337, f = q·0.9 + 0.1 = 0.81403;
  //   factor = min(0.1 + 0.9·(1 - 0.3), f) = min(0.73, 0.81403) = 0.73 → 69.194
  LibraryRecord r = test::referenceRecord("Glass_Break_01");
  EXPECT_NEAR(scoreCandidate(r, q), 69.194f, 0.03f);
  // Glassy_Break: "glass" is not a word of "Glassy"; break alone: K = 3/6·50 = 25
  //   → (25 + 21.137 + 23.65)·0.73 = 50.944: it still passes.
  r = test::referenceRecord("Glassy_Break");
  EXPECT_NEAR(scoreCandidate(r, q), 50.944f, 0.03f);
  // The excluded word rejects; a missing required word rejects.
  r = test::referenceRecord("Glass_Break_Metal");
  EXPECT_EQ(scoreCandidate(r, q), 0.0f);
  r = test::referenceRecord("Glass_Shatter");
  EXPECT_EQ(scoreCandidate(r, q), 0.0f);
  // A precomputed negative K rejects without looking at the words.
  r = test::referenceRecord("Glass_Break_01");
  EXPECT_EQ(scoreCandidate(r, q, -1.0f), 0.0f);

  // Terms that match nothing (K = 0): the result is multiplied by 0.15:
  //   (0 + 21.137 + 23.65)·0.73·0.15 = 4.904.
  const auto nothing = parseSearchTerms("zzz");
  q.terms = nothing;
  r = test::referenceRecord("Door_Slam");
  EXPECT_NEAR(scoreCandidate(r, q), 4.904f, 0.01f);
}

TEST(Scoring, BrightnessGateAndFinalFloor) {
  LibraryRecord r = test::referenceRecord();
  r.brightness = 0.95f;  // |0.95 - 0.5| = 0.45 > 0.4
  EXPECT_EQ(scoreCandidate(r, spotRequest(1.0f)), 0.0f);

  // No terms: the final factor never falls below 0.01. Shares far from the
  // target make M = 0, so f = 0·0.99 + 0.01 and the score is 1 % of its sum:
  // spectral = 50·.3·.6 = 9; + 15 + 5.15 + 3.5 = 32.65 → 0.3265.
  r = test::referenceRecord();
  r.bandShare = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  EXPECT_NEAR(scoreCandidate(r, spotRequest(1.0f)), 0.3265f, 0.001f);
}

TEST(Scoring, BandFillingAndContrastWithEarlierPicks) {
  const LibraryRecord r = test::referenceRecord();
  // Occupied energy only in the lowest band: e = 1 0 0 0 0;
  // fill = .25 + .45 + .2 + .05 = .95 → +M·15·clamp(1.9) = 13.488;
  // over = .05·(2·.5)²·1.5 = .075 → -M·10·.075 = -0.6744;
  // (31.480 + 13.488 - 0.674 + 15 + 5.15 + 3.5)·0.73718 = 50.087.
  ScoreRequest q = spotRequest(1.0f);
  q.occupied = BandArray{2.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  EXPECT_NEAR(scoreCandidate(r, q), 50.087f, 0.03f);

  // Noisiness of the record: .5 - .35·.4 + .3·.3 + .15·.2 - .1 = 0.38.
  // Target 0.9 after one pick: dv = .52, +12·clamp(1.04) = 12 → 67.13·0.73718 = 49.487.
  q = spotRequest(1.0f);
  q.noisinessTarget = 0.9f;
  q.pickCount = 1;
  EXPECT_NEAR(scoreCandidate(r, q), 49.487f, 0.03f);
  // Target 0.4 after two picks: dv = .02, +12·.04 = .48, then ·0.7 (too alike):
  // (55.130 + .48)·.7·0.73718 = 28.696.
  q.noisinessTarget = 0.4f;
  q.pickCount = 2;
  EXPECT_NEAR(scoreCandidate(r, q), 28.696f, 0.03f);
}

}  // namespace
}  // namespace vn
