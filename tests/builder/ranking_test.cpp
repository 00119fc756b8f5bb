// Ranking figures build on the scoring figures of scoring_test.cpp: the
// reference record scores 40.641 for a 1 s Spot at weight 0.5 without terms,
// and one whose shares are all in the lowest band scores 0.3265.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "builder/compatibility.h"
#include "builder/keyword_prescore.h"
#include "builder/ranking.h"
#include "builder/reference_set.h"
#include "build_fixtures.h"

namespace vn {
namespace {

ScoreRequest spot() {
  ScoreRequest q;
  q.weight = 0.5f;
  q.duration = 1.0f;
  q.impact = 0.5f;
  return q;
}

LibraryRecord dull(const std::string& name) {
  LibraryRecord r = test::referenceRecord(name);
  r.bandShare = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  return r;
}

TEST(Ranking, FloorFallbackBansAndTopN) {
  const LibraryRecord good = test::referenceRecord("Good"), low = dull("Low");
  CandidateList list = makeCandidateList({&good, &low});
  auto ranked = rankCandidates(list, spot(), 12, {});
  ASSERT_EQ(ranked.size(), 1u);  // 0.3265 is below the 5.0 floor
  EXPECT_EQ(ranked[0].record, &good);
  EXPECT_NEAR(ranked[0].score, 40.641f, 0.02f);

  // Nothing above the floor: the best stands alone with its own score.
  ranked = rankCandidates(makeCandidateList({&low}), spot(), 12, {});
  ASSERT_EQ(ranked.size(), 1u);
  EXPECT_NEAR(ranked[0].score, 0.3265f, 0.001f);

  // Banned by path or by id: never ranked, not even as the fallback.
  LibraryRecord byId = test::referenceRecord("ById");
  byId.fileId = "00ff00ff00ff00ff";
  Session session;
  session.bannedFiles = {good.path};
  session.bannedFileIds = {byId.fileId};
  const BanList bans = makeBanList(session);
  RankContext context;
  context.bans = &bans;
  EXPECT_TRUE(rankCandidates(makeCandidateList({&good, &byId}), spot(), 12, context).empty());
  ranked = rankCandidates(makeCandidateList({&good, &byId, &low}), spot(), 12, context);
  ASSERT_EQ(ranked.size(), 1u);
  EXPECT_EQ(ranked[0].record, &low);

  // Best first, cut at N.
  std::vector<LibraryRecord> many;
  for (int i = 0; i < 6; ++i) {
    many.push_back(test::referenceRecord("R" + std::to_string(i)));
    many.back().duration = 1.0f + static_cast<float>(i);
  }
  std::vector<const LibraryRecord*> refs;
  for (const auto& r : many) refs.push_back(&r);
  ranked = rankCandidates(makeCandidateList(refs), spot(), 3, {});
  ASSERT_EQ(ranked.size(), 3u);
  EXPECT_GE(ranked[0].score, ranked[1].score);
  EXPECT_GE(ranked[1].score, ranked[2].score);
}

TEST(Ranking, ReferenceSetFavoursMarkedAndAlikeFiles) {
  const LibraryRecord marked = test::referenceRecord("Marked");
  const LibraryRecord twin = test::referenceRecord("Twin");  // same profile, other file
  LibraryRecord off = test::referenceRecord("Off");
  off.centroid = marked.centroid + 0.2f;  // the scoring ignores centroid
  Library lib;
  lib.records = {marked, twin, off};
  const Library* libs[] = {&lib};
  std::vector<std::string> unknown;
  const ReferenceSet set = makeReferenceSet({marked.path, "/nowhere.wav"}, libs, &unknown);
  ASSERT_TRUE(set.active());
  EXPECT_EQ(unknown, std::vector<std::string>{"/nowhere.wav"});

  RankContext context;
  context.reference = &set;
  const auto ranked = rankCandidates(makeCandidateList({&lib.records[0], &lib.records[1], &lib.records[2]}), spot(), 12,
                                     context);
  ASSERT_EQ(ranked.size(), 3u);
  // marked: 40.641·1.5 = 60.962; twin: distance 0, +15 → 55.641;
  // off: distance 1.5·0.2² = 0.06, +15·exp(-0.48) = 9.282 → 49.923.
  EXPECT_EQ(ranked[0].record->name, "Marked");
  EXPECT_NEAR(ranked[0].score, 60.962f, 0.03f);
  EXPECT_NEAR(ranked[1].score, 55.641f, 0.03f);
  EXPECT_NEAR(ranked[2].score, 49.923f, 0.03f);
}

TEST(Ranking, KeywordScoresAreCachedAndSplitAcrossThreads) {
  std::vector<LibraryRecord> records;
  for (int i = 0; i < 5000; ++i) records.push_back(test::referenceRecord(i % 3 ? "Door_Slam_" + std::to_string(i) : "Metal_Door"));
  std::vector<const LibraryRecord*> refs;
  for (const auto& r : records) refs.push_back(&r);
  const CandidateList list = makeCandidateList(refs);
  const auto terms = parseSearchTerms("door -metal slam");
  const auto serial = computeKeywordScores(list, terms, 1);
  EXPECT_EQ(computeKeywordScores(list, terms, 4), serial);
  EXPECT_EQ(serial[0], -1.0f);                   // Metal_Door: excluded word
  EXPECT_NEAR(serial[1], 50.0f, 1e-4f);          // door 3 + slam 3 over 2 terms

  KeywordScoreCache cache;
  cache.scores(list, terms);
  cache.scores(list, terms);
  EXPECT_EQ(cache.computations(), 1);
  cache.scores(list, parseSearchTerms("door"));
  EXPECT_EQ(cache.computations(), 2);
  const CandidateList shorter = makeCandidateList({refs.begin(), refs.begin() + 10});
  EXPECT_EQ(cache.scores(shorter, parseSearchTerms("door"))->size(), 10u);
  EXPECT_EQ(cache.computations(), 3);
}

TEST(Ranking, RememberedWordsGiveTheSameKeywordScores) {
  std::vector<LibraryRecord> records;
  const char* const names[] = {"Door_Slam", "Metal_Door", "Wood_Creak", "Glass_Break_02", "Doorbell"};
  for (int i = 0; i < 4100; ++i) records.push_back(test::referenceRecord(names[i % 5] + std::to_string(i / 5)));
  std::vector<const LibraryRecord*> refs;
  for (const auto& r : records) refs.push_back(&r);
  const CandidateList list = makeCandidateList(refs);
  // Room for the results of two words over this list.
  TermMatchMemo memo;
  memo.maxBytes = 2 * list.size();
  // Words come back in other modes and sets, and push each other out.
  for (const char* set : {"door -metal", "+door slam", "metal door*", "-door", "*oor* break_02", "door -metal"}) {
    const auto terms = parseSearchTerms(set);
    ASSERT_EQ(computeKeywordScores(list, terms, 2, &memo), computeKeywordScores(list, terms, 1)) << set;
    EXPECT_LE(memo.bytes, memo.maxBytes);
    EXPECT_LE(memo.entries.size(), 2u);
  }
  const PreparedTerm metal = prepareTerm({"metal", TermMode::Plain});
  const auto remembered = recallMatches(memo, list, metal);
  ASSERT_TRUE(remembered);
  EXPECT_EQ((*remembered)[1], 3);  // Metal_Door
  EXPECT_EQ((*remembered)[0], 0);
  // A copy of the list shares them; another list of the same length does not, and
  // neither does a list made again over the same addresses (a Library scanned again
  // can put new records where the old ones were).
  const CandidateList copy = list;
  EXPECT_TRUE(recallMatches(memo, copy, metal));
  const CandidateList other = makeCandidateList({refs.rbegin(), refs.rend()});
  EXPECT_FALSE(recallMatches(memo, other, metal));
  const CandidateList again = makeCandidateList(refs);
  ASSERT_EQ(again.identity, list.identity);
  EXPECT_FALSE(recallMatches(memo, again, metal));
}

TEST(Ranking, SkippingByTheCeilingKeepsTheSameTopList) {
  // Records spread over brightness, spectrum, length and character.
  std::vector<LibraryRecord> records;
  for (int i = 0; i < 300; ++i) {
    LibraryRecord r = test::referenceRecord((i % 4 ? "Door_" : "Glass_") + std::to_string(i));
    const float x = static_cast<float>(i) / 299.0f;
    for (int b = 0; b < 5; ++b) r.bandShare[b] = 0.02f + std::exp(-8.0f * (0.1f + 0.2f * b - x) * (0.1f + 0.2f * b - x));
    r.brightness = 0.05f + 0.9f * static_cast<float>((i * 37) % 300) / 299.0f;
    r.duration = 0.2f + static_cast<float>(i % 9);
    r.crestDb = static_cast<float>(i % 23);
    r.spectralFlux = static_cast<float>(i % 11) / 20.0f;
    r.temporalCentroid = static_cast<float>(i % 10) / 9.0f;
    r.zeroCrossRate = static_cast<float>(i % 7) / 6.0f;
    r.inharmonicity = static_cast<float>(i % 5) / 8.0f;
    records.push_back(r);
  }
  std::vector<const LibraryRecord*> refs;
  for (const auto& r : records) refs.push_back(&r);
  const CandidateList list = makeCandidateList(refs);
  // Glass records match no word (K = 0), Door records all of them.
  const auto words = parseSearchTerms("door -metal");
  const std::vector<float> keywords = computeKeywordScores(list, words, 1);

  for (ShapeType shape : {ShapeType::Spot, ShapeType::Bloom, ShapeType::Fill, ShapeType::Scatter, ShapeType::Bed})
    for (float weight : {0.0f, 0.35f, 0.8f})
      for (bool withWords : {false, true}) {
        ScoreRequest q;
        q.shape = shape;
        q.weight = weight;
        q.duration = 1.5f;
        q.impact = weight;
        if (withWords) q.terms = words;
        if (weight > 0.5f) q.occupied = BandArray{0.0f, 0.1f, 0.0f, 0.0f, 0.0f};
        q.noisinessTarget = weight > 0.5f ? 0.9f : -1.0f;
        q.pickCount = 1;
        const PreparedScore prepared = prepareScore(q);
        // The ceiling bounds every score...
        for (size_t i = 0; i < list.size(); ++i) {
          const float k = withWords ? keywords[i] : 0.0f;
          if (k < 0.0f) continue;
          ASSERT_GE(scoreCeiling(list.traits[i], prepared, k), scorePrepared(list.traits[i], prepared, k))
              << records[i].name << " shape " << static_cast<int>(shape) << " weight " << weight;
        }
        // ...so the ranking equals scoring everything and sorting it.
        std::vector<ScoredCandidate> all;
        for (size_t i = 0; i < list.size(); ++i) {
          const float k = withWords ? keywords[i] : 0.0f;
          const float score = k < 0.0f ? 0.0f : scorePrepared(list.traits[i], prepared, k);
          if (score > kRankFloor) all.push_back({list.records[i], score});
        }
        std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.score > b.score; });
        for (int topN : {3, 12}) {
          const auto ranked = rankCandidates(list, q, topN, {});
          ASSERT_EQ(ranked.size(), std::min(all.size(), static_cast<size_t>(topN)));
          for (size_t j = 0; j < ranked.size(); ++j) EXPECT_EQ(ranked[j].score, all[j].score) << j;
        }
      }
}

TEST(Compatibility, SameFileGroupAndRecentUses) {
  LibraryRecord r = test::referenceRecord("Hit");
  r.groupId = 7;
  const std::vector<PlacedSound> samePath = {{r.path, 0, 1.0f}};
  const std::vector<PlacedSound> sameGroup = {{"/other.wav", 7, 1.0f}};
  EXPECT_EQ(compatibility(r, samePath, nullptr, 0.0f), 0.0f);
  EXPECT_EQ(compatibility(r, sameGroup, nullptr, 0.0f), 0.0f);
  EXPECT_EQ(compatibility(r, {}, nullptr, 0.0f), 1.0f);

  RecentUses recent;
  recent.add(r.path, 10.0f);
  EXPECT_NEAR(compatibility(r, {}, &recent, 12.0f), 0.1f * 0.75f, 1e-6f);  // dt 2 s, one use
  recent.add(r.path, 30.0f);
  EXPECT_NEAR(compatibility(r, {}, &recent, 26.0f), 0.2f * 0.5f, 1e-6f);   // dt 4 s, two uses
  recent.add(r.path, 50.0f);
  recent.add(r.path, 70.0f);
  EXPECT_NEAR(compatibility(r, {}, &recent, 90.0f), 1.0f * 0.3f, 1e-6f);   // dt 20 s, four uses
  EXPECT_NEAR(compatibility(r, {}, &recent, 59.0f), 0.5f * 0.3f, 1e-6f);   // dt 9 s
}

}  // namespace
}  // namespace vn
