// The compound-file container: what we write reads back through our own reader and
// through olefile stream for stream; hostile containers give an error, never a crash.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <zlib.h>

#include "export/aaf/cfb_format.h"
#include "export/aaf/cfb_names.h"
#include "export/aaf/cfb_reader.h"
#include "export/aaf/cfb_writer.h"
#include "export_fixtures.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

std::string patterned(size_t n, unsigned seed) {
  std::string s(n, '\0');
  std::mt19937 rng(seed);
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

struct Expected {
  std::string path;
  std::string data;
};

// Storages two levels deep with streams of every size class: empty, one mini sector,
// just under and exactly at the cutoff, and several whole sectors.
cfb::Tree sampleTree(std::vector<Expected>& expected) {
  cfb::Tree tree;
  cfb::Clsid clsid{};
  for (int i = 0; i < 16; ++i) clsid[i] = static_cast<uint8_t>(i + 1);
  const uint32_t a = cfb::addStorage(tree, cfb::kRootId, "Header-2", clsid);
  const uint32_t b = cfb::addStorage(tree, a, "Content-3b03", clsid);
  const size_t sizes[] = {0, 1, 63, 64, 65, 4095, 4096, 4097, 70000, 300001};
  int n = 0;
  for (size_t size : sizes) {
    const uint32_t parent = n % 3 == 0 ? cfb::kRootId : n % 3 == 1 ? a : b;
    const std::string name = format("stream %d", n);
    cfb::addStream(tree, parent, name, patterned(size, n));
    const std::string prefix = parent == cfb::kRootId ? "" : parent == a ? "Header-2/" : "Header-2/Content-3b03/";
    expected.push_back({prefix + name, patterned(size, n)});
    ++n;
  }
  // Names that differ only in length and case order the sibling tree.
  for (const char* name : {"z", "B", "aa", "Ab", "properties", "Mobs-1901 index"})
    cfb::addStream(tree, b, name, name);
  for (const char* name : {"z", "B", "aa", "Ab", "properties", "Mobs-1901 index"})
    expected.push_back({std::string("Header-2/Content-3b03/") + name, name});
  return tree;
}

bool readPath(const cfb::File& file, const std::string& path, std::string& out) {
  uint32_t at = cfb::kRootId;
  size_t from = 0;
  while (true) {
    const size_t slash = path.find('/', from);
    auto id = cfb::findChild(file, at, path.substr(from, slash == std::string::npos ? std::string::npos : slash - from));
    if (!id) return false;
    at = *id;
    if (slash == std::string::npos) break;
    from = slash + 1;
  }
  std::string error;
  return cfb::readStream(file, at, out, error);
}

TEST(AafContainer, RoundTripsThroughOurReaderAndOlefile) {
  std::vector<Expected> expected;
  const cfb::Tree tree = sampleTree(expected);
  test::TempDir dir;
  const std::string path = dir.file("sample.aaf");
  ASSERT_TRUE(cfb::writeCompoundFile(path, tree).ok);

  std::string bytes, error;
  ASSERT_TRUE(cfb::serializeCompoundFile(tree, bytes, error)) << error;
  EXPECT_EQ(bytes.size() % cfb::kSectorSize, 0u);
  auto file = cfb::openCompoundFile(bytes, error);
  ASSERT_TRUE(file) << error;
  EXPECT_EQ(file->sectorSize, 4096u);
  for (const auto& e : expected) {
    std::string got;
    ASSERT_TRUE(readPath(*file, e.path, got)) << e.path;
    EXPECT_EQ(got, e.data) << e.path;
  }
  // Every storage's children come out of the sibling tree in the container's order.
  for (uint32_t id = 0; id < file->entries.size(); ++id) {
    if (file->entries[id].type != cfb::kTypeStorage && file->entries[id].type != cfb::kTypeRoot) continue;
    std::vector<uint32_t> children;
    ASSERT_TRUE(cfb::listChildren(*file, id, children, error)) << error;
    for (size_t i = 1; i < children.size(); ++i)
      EXPECT_LT(cfb::compareEntryNames(file->entries[children[i - 1]].name, file->entries[children[i]].name), 0);
  }

  const std::string listing =
      test::commandOutput("/usr/bin/python3 " VN_EXPORT_TEST_DIR "/olefile_list.py '" + path + "'");
  EXPECT_EQ(listing.find("DEFECT"), std::string::npos) << listing;
  EXPECT_EQ(listing.find("Traceback"), std::string::npos) << listing;
  for (const auto& e : expected) {
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size()));
    const std::string line = format("STREAM %s %zu %08lx\n", e.path.c_str(), e.data.size(), crc);
    EXPECT_NE(listing.find(line), std::string::npos) << line << listing;
  }
}

TEST(AafContainer, RefusesNamesTheContainerCannotHold) {
  for (const char* bad : {"", "a/b", "0123456789012345678901234567890x", "tab\there"}) {
    cfb::Tree tree;
    cfb::addStream(tree, cfb::kRootId, bad, "x");
    std::string bytes, error;
    EXPECT_FALSE(cfb::serializeCompoundFile(tree, bytes, error)) << bad;
    EXPECT_FALSE(error.empty());
  }
  cfb::Tree twins;
  cfb::addStream(twins, cfb::kRootId, "Name", "x");
  cfb::addStream(twins, cfb::kRootId, "NAME", "y");
  std::string bytes, error;
  EXPECT_FALSE(cfb::serializeCompoundFile(twins, bytes, error));
}

TEST(AafContainer, FatCoversItselfAndSpillsIntoDifatPastTheHeader) {
  for (uint64_t data : {0ull, 1ull, 1022ull, 1023ull, 1024ull, 109ull * 1024, 111ull * 1024 * 1024, 3000000ull}) {
    const cfb::FatLayout l = cfb::fatLayoutFor(data);
    const uint64_t total = data + l.fatSectors + l.difatSectors;
    EXPECT_GE(uint64_t(l.fatSectors) * cfb::kIdsPerSector, total) << data;
    EXPECT_LT(uint64_t(l.fatSectors - 1) * cfb::kIdsPerSector, total) << data;
    const uint64_t listed = cfb::kHeaderDifatCount + uint64_t(l.difatSectors) * (cfb::kIdsPerSector - 1);
    EXPECT_GE(listed, l.fatSectors) << data;
    if (l.fatSectors <= cfb::kHeaderDifatCount) EXPECT_EQ(l.difatSectors, 0u) << data;
    else EXPECT_GT(l.difatSectors, 0u) << data;
  }
}

void put32(std::string& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }
uint32_t get32(const std::string& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, &b[at], 4);
  return v;
}

// Opens, walks every storage and reads every stream; true when all of it succeeded.
bool walkAll(std::string bytes) {
  std::string error;
  auto file = cfb::openCompoundFile(std::move(bytes), error);
  if (!file) return false;
  bool ok = true;
  for (uint32_t id = 0; id < file->entries.size(); ++id) {
    std::vector<uint32_t> children;
    std::string out;
    if (file->entries[id].type == cfb::kTypeStream) ok &= cfb::readStream(*file, id, out, error);
    else if (file->entries[id].type != cfb::kTypeEmpty) ok &= cfb::listChildren(*file, id, children, error);
  }
  return ok;
}

TEST(AafContainer, HostileContainersFailCleanly) {
  std::vector<Expected> expected;
  std::string good, error;
  ASSERT_TRUE(cfb::serializeCompoundFile(sampleTree(expected), good, error));
  ASSERT_TRUE(walkAll(good));
  const uint32_t firstDir = get32(good, 48);
  const size_t dirAt = size_t(firstDir + 1) * cfb::kSectorSize;
  const size_t fatAt = size_t(get32(good, 76) + 1) * cfb::kSectorSize;

  {  // a FAT chain that loops back on itself
    std::string b = good;
    put32(b, fatAt + firstDir * 4, firstDir);
    EXPECT_FALSE(cfb::openCompoundFile(b, error));
  }
  {  // the directory starts past the end
    std::string b = good;
    put32(b, 48, 0x00FFFFFF);
    EXPECT_FALSE(cfb::openCompoundFile(b, error));
  }
  {  // a sibling that points back at its parent's first child
    std::string b = good;
    const uint32_t child = get32(b, dirAt + 76);
    put32(b, dirAt + child * cfb::kDirEntrySize + 68, child);
    EXPECT_FALSE(walkAll(b));
  }
  {  // a stream declaring a size far beyond the file
    std::string b = good;
    for (uint32_t id = 1; id < 32; ++id) {
      if (b[dirAt + id * cfb::kDirEntrySize + 66] != cfb::kTypeStream) continue;
      const uint64_t huge = 1ull << 40;
      std::memcpy(&b[dirAt + id * cfb::kDirEntrySize + 120], &huge, 8);
    }
    EXPECT_FALSE(walkAll(b));
  }
  {  // thousands of FAT sectors declared, none present
    std::string b = good;
    put32(b, 44, 5000000);
    EXPECT_FALSE(cfb::openCompoundFile(b, error));
  }
  {  // cut short
    EXPECT_FALSE(walkAll(good.substr(0, good.size() / 3)));
    EXPECT_FALSE(cfb::openCompoundFile(good.substr(0, 100), error));
  }

  // Random damage where the structure lives: header, FAT, directory, and anywhere.
  std::mt19937 rng(19);
  int failed = 0;
  for (int round = 0; round < 4000; ++round) {
    std::string b = good;
    const int flips = 1 + static_cast<int>(rng() % 8);
    for (int f = 0; f < flips; ++f) {
      size_t at;
      switch (rng() % 4) {
        case 0: at = rng() % cfb::kHeaderSize; break;
        case 1: at = fatAt + rng() % cfb::kSectorSize; break;
        case 2: at = dirAt + rng() % cfb::kSectorSize; break;
        default: at = rng() % b.size(); break;
      }
      b[at] = static_cast<char>(rng() % 3 == 0 ? 0xFF : rng());
    }
    if (rng() % 10 == 0) b.resize(rng() % b.size());
    failed += !walkAll(std::move(b));
  }
  // Most damage is caught somewhere; what is not caught still read without harm.
  EXPECT_GT(failed, 1000);
}

}  // namespace
}  // namespace vn
