#include <gtest/gtest.h>

#include "export/bus_templates.h"
#include "support/log_capture.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

std::string oldTemplates(const std::vector<std::pair<std::string, int>>& templates) {
  std::string text = "{\"templates\": [";
  for (size_t t = 0; t < templates.size(); ++t) {
    text += (t ? "," : "") + format("{\"name\": \"%s\", \"sections\": [", templates[t].first.c_str());
    for (int s = 0; s < templates[t].second; ++s)
      text += (s ? "," : "") + format("{\"name\": \"Sec %d\", \"stereoTracks\": 2, \"monoTracks\": %d}", s, s % 2);
    text += "]}";
  }
  return text + "]}";
}

TEST(BusTemplates, LayoutRoundTripsThroughTheStore) {
  test::TempDir dir;
  TrackLayout layout;
  layout.busCount = 3;
  layout.busOrder[0] = 2;
  layout.busOrder[2] = 0;
  layout.busses[0].name = "Hard FX";
  layout.busses[0].targetLUFS = -23.5f;
  layout.busses[0].slots = {{2, 1, "Hits"}, {1, 0, {}}};
  layout.busses[2].slots = {{1, 2, {}}};
  layout.busses[2].colorIdx = 7;
  layout.shapeHome = {2, 2, 1, 0, 0, 0, 1};

  BusTemplateStore store;
  putBusTemplate(store, busTemplateFromLayout("Film", layout));
  putBusTemplate(store, busTemplateFromLayout("TV", TrackLayout{}));
  putBusTemplate(store, busTemplateFromLayout("Film", layout));  // replaces, does not add
  store.defaultLayout = "Film";
  ASSERT_TRUE(writeBusTemplates(dir.path(), store));
  const std::string text = test::readAll(dir.file(kBusTemplatesFile));
  EXPECT_NE(text.find("\"vn_bus_templates_version\": 1"), std::string::npos);
  EXPECT_NE(text.find("\"targetLUFS\": -23.5"), std::string::npos);
  EXPECT_NE(text.find("\"busOrder\": [2, 1, 0]"), std::string::npos);

  const BusTemplateStore back = readBusTemplates(dir.path());
  EXPECT_EQ(back.defaultLayout, "Film");
  ASSERT_EQ(back.templates.size(), 2u);
  const BusTemplate* film = findBusTemplate(back, "Film");
  ASSERT_NE(film, nullptr);
  const TrackLayout applied = layoutFromBusTemplate(*film);
  EXPECT_EQ(applied.busCount, 3);
  EXPECT_TRUE(applied.templateMode);
  EXPECT_EQ(applied.busOrder[0], 2);
  EXPECT_EQ(applied.busOrder[2], 0);
  EXPECT_EQ(applied.busses[0].name, "Hard FX");
  EXPECT_FLOAT_EQ(applied.busses[0].targetLUFS, -23.5f);
  ASSERT_EQ(applied.busses[0].slots.size(), 2u);
  EXPECT_EQ(applied.busses[0].slots[0].label, "Hits");
  EXPECT_EQ(applied.busses[0].slots[1].fmt, 0);
  EXPECT_EQ(applied.busses[2].colorIdx, 7);
  EXPECT_EQ(applied.shapeHome, layout.shapeHome);
  EXPECT_EQ(findBusTemplate(back, "Nope"), nullptr);
}

TEST(BusTemplates, HostileStoresReadAsFarAsTheyGo) {
  EXPECT_TRUE(parseBusTemplates("").templates.empty());
  EXPECT_TRUE(parseBusTemplates("[1,2]").templates.empty());
  const BusTemplateStore odd = parseBusTemplates(
      "{\"templates\": [{\"name\": 5, \"busCount\": 99, \"busOrder\": [7, -3, \"x\"], \"buses\": [{\"slots\": [{\"n\": "
      "400, \"fmt\": 9}]}, 3]}, \"x\"], \"defaultLayout\": []}");
  ASSERT_EQ(odd.templates.size(), 2u);
  const BusTemplate& t = odd.templates[0];
  EXPECT_EQ(t.busCount, 2);  // never more busses than it describes
  ASSERT_EQ(t.buses[0].slots.size(), 1u);
  EXPECT_EQ(t.buses[0].slots[0].count, 32);
  EXPECT_EQ(t.buses[0].slots[0].fmt, 3);
  const TrackLayout layout = layoutFromBusTemplate(t);
  EXPECT_EQ(layout.busCount, 2);
  EXPECT_TRUE((layout.busOrder[0] == 1 && layout.busOrder[1] == 0) || (layout.busOrder[0] == 0 && layout.busOrder[1] == 1));
  EXPECT_EQ(layoutFromBusTemplate(odd.templates[1]).busCount, 1);
}

TEST(BusTemplates, DeliveryTemplatesMigrateOnceAndOversizedOnesStay) {
  test::TempDir dir;
  test::writeAll(dir.file(kDeliveryTemplatesFile), oldTemplates({{"Stems", 3}, {"Huge", 17}}));
  {
    test::LogCapture log;
    const BusTemplateStore store = readBusTemplates(dir.path());
    ASSERT_EQ(store.templates.size(), 1u);
    EXPECT_EQ(store.templates[0].name, "Stems");
    EXPECT_EQ(store.templates[0].busCount, 3);
    ASSERT_EQ(store.templates[0].buses[1].slots.size(), 2u);  // mono first, then stereo
    EXPECT_EQ(store.templates[0].buses[1].slots[0].fmt, 0);
    EXPECT_EQ(store.templates[0].buses[1].slots[1].count, 2);
    EXPECT_EQ(log.countStarting("[Layout] delivery template \"Huge\" needs 17 busses (max 16) - NOT migrated. It "
                                "remains in vn_delivery_templates.json.\n"),
              1);
    EXPECT_EQ(log.countStarting("[Layout] migrated 1 delivery template into bus layouts"), 1);
  }
  EXPECT_TRUE(fileExists(dir.file(kDeliveryTemplatesFile)));
  {
    // Read again: nothing migrates twice, the oversized one is still named.
    test::LogCapture log;
    EXPECT_EQ(readBusTemplates(dir.path()).templates.size(), 1u);
    EXPECT_EQ(log.countStarting("[Layout] migrated"), 0);
    EXPECT_EQ(log.countStarting("[Layout] delivery template \"Huge\""), 1);
  }
  // When everything moves the old file is set aside.
  test::TempDir all;
  test::writeAll(all.file(kDeliveryTemplatesFile), oldTemplates({{"A", 2}, {"B", 16}}));
  test::LogCapture log;
  EXPECT_EQ(readBusTemplates(all.path()).templates.size(), 2u);
  EXPECT_EQ(log.countStarting("[Layout] migrated 2 delivery templates into bus layouts"), 1);
  EXPECT_FALSE(fileExists(all.file(kDeliveryTemplatesFile)));
  EXPECT_EQ(parseBusTemplates(test::readAll(all.file(kBusTemplatesFile))).templates.size(), 2u);
}

TEST(BusTemplates, FailuresAndRefusalsAreOneSentence) {
  test::TempDir dir;
  test::LogCapture log;
  EXPECT_FALSE(writeBusTemplates(dir.file("missing/folder"), BusTemplateStore{}));
  EXPECT_EQ(log.countStarting("[Layout] bus template store write failed: "), 1);
  EXPECT_EQ(trackListRefusal(20), "Track list needs 20 busses - the maximum is 16.");
}

}  // namespace
}  // namespace vn
