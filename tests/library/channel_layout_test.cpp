// Channel roles and layout codes: the file's own map first, then the default tables.
#include "library/channel_layout.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <vector>

namespace vn {
namespace {

using Roles = std::vector<int>;

TEST(ChannelLayout, MonoStereoAndOverrides) {
  const ChannelLayout mono = ResolveChannelLayout(1, {}, kInterpretAmbisonic, 0);
  EXPECT_EQ(mono.roles, Roles{kRoleC});  // one channel is centre whatever is asked
  EXPECT_EQ(mono.layoutCode, 1);
  EXPECT_EQ(StoredLayoutCode(mono), -1);

  const ChannelLayout stereo = ResolveChannelLayout(2, {SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_LEFT}, kInterpretAuto, 0);
  EXPECT_EQ(stereo.roles, (Roles{kRoleL, kRoleR}));  // two channels never read a map
  EXPECT_EQ(stereo.layoutCode, 2);
  EXPECT_EQ(StoredLayoutCode(stereo), -1);

  const ChannelLayout discrete = ResolveChannelLayout(6, {}, kInterpretDiscrete, 0);
  EXPECT_TRUE(discrete.discrete);
  EXPECT_EQ(discrete.roles, Roles(6, kRoleUnknown));
  EXPECT_EQ(discrete.layoutCode, 0);

  const ChannelLayout asked = ResolveChannelLayout(4, {}, kInterpretAmbisonic, 0);
  EXPECT_TRUE(asked.ambisonic);
  EXPECT_EQ(asked.layoutCode, 10);
}

TEST(ChannelLayout, FileMapIsTranslatedAndStored) {
  const std::vector<int> wave51{SF_CHANNEL_MAP_FRONT_LEFT, SF_CHANNEL_MAP_FRONT_RIGHT, SF_CHANNEL_MAP_FRONT_CENTER,
                                SF_CHANNEL_MAP_LFE,        SF_CHANNEL_MAP_SIDE_LEFT,   SF_CHANNEL_MAP_SIDE_RIGHT};
  const ChannelLayout surround = ResolveChannelLayout(6, wave51, kInterpretAuto, 1);
  EXPECT_EQ(surround.roles, (Roles{kRoleL, kRoleR, kRoleC, kRoleLFE, kRoleLs, kRoleRs}));
  EXPECT_TRUE(surround.fromFileMap);
  EXPECT_EQ(StoredLayoutCode(surround), 6);

  const std::vector<int> rear{
      SF_CHANNEL_MAP_LEFT,           SF_CHANNEL_MAP_RIGHT,          SF_CHANNEL_MAP_CENTER,    SF_CHANNEL_MAP_LFE,
      SF_CHANNEL_MAP_SIDE_LEFT,      SF_CHANNEL_MAP_SIDE_RIGHT,     SF_CHANNEL_MAP_REAR_LEFT, SF_CHANNEL_MAP_REAR_RIGHT,
      SF_CHANNEL_MAP_TOP_FRONT_LEFT, SF_CHANNEL_MAP_TOP_FRONT_RIGHT};
  const ChannelLayout tall = ResolveChannelLayout(10, rear, kInterpretAuto, 0);
  EXPECT_EQ(tall.roles[6], kRoleLrs);
  EXPECT_EQ(tall.roles[9], kRoleRtf);
  EXPECT_EQ(StoredLayoutCode(tall), 8);

  // A map with a role the program has no name for: discrete channels, still from the map.
  const std::vector<int> partial{SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_REAR_CENTER};
  const ChannelLayout odd = ResolveChannelLayout(3, partial, kInterpretAuto, 0);
  EXPECT_EQ(odd.roles[2], kRoleUnknown);
  EXPECT_EQ(StoredLayoutCode(odd), 0);

  // Seven known roles: no code for seven channels.
  const std::vector<int> seven(rear.begin(), rear.begin() + 7);
  EXPECT_EQ(StoredLayoutCode(ResolveChannelLayout(7, seven, kInterpretAuto, 0)), 0);

  const std::vector<int> bformat{SF_CHANNEL_MAP_AMBISONIC_B_W, SF_CHANNEL_MAP_AMBISONIC_B_X,
                                 SF_CHANNEL_MAP_AMBISONIC_B_Y, SF_CHANNEL_MAP_AMBISONIC_B_Z};
  const ChannelLayout ambi = ResolveChannelLayout(4, bformat, kInterpretAuto, 0);
  EXPECT_TRUE(ambi.ambisonic);
  EXPECT_EQ(StoredLayoutCode(ambi), 10);
}

TEST(ChannelLayout, DefaultTablesWhenTheMapSaysNothing) {
  // A map of nothing but "mono" entries names no role: the defaults apply, unstored.
  const ChannelLayout unnamed = ResolveChannelLayout(6, std::vector<int>(6, SF_CHANNEL_MAP_MONO), kInterpretAuto, 0);
  EXPECT_EQ(unnamed.roles, (Roles{kRoleL, kRoleR, kRoleC, kRoleLFE, kRoleLs, kRoleRs}));
  EXPECT_FALSE(unnamed.fromFileMap);
  EXPECT_EQ(unnamed.layoutCode, 6);
  EXPECT_EQ(StoredLayoutCode(unnamed), -1);

  EXPECT_EQ(ResolveChannelLayout(6, {}, kInterpretAuto, 1).roles,
            (Roles{kRoleL, kRoleC, kRoleR, kRoleLs, kRoleRs, kRoleLFE}));
  EXPECT_EQ(ResolveChannelLayout(3, {}, kInterpretAuto, 1).roles, (Roles{kRoleL, kRoleC, kRoleR}));
  EXPECT_EQ(ResolveChannelLayout(3, {}, kInterpretAuto, 2).roles, (Roles{kRoleL, kRoleR, kRoleC}));
  EXPECT_EQ(ResolveChannelLayout(4, {}, kInterpretAuto, 1).roles, (Roles{kRoleL, kRoleR, kRoleLs, kRoleRs}));
  EXPECT_EQ(ResolveChannelLayout(8, {}, kInterpretAuto, 1).roles.back(), kRoleLFE);
  EXPECT_EQ(ResolveChannelLayout(8, {}, kInterpretAuto, 0).roles.back(), kRoleRrs);
  const ChannelLayout twelve = ResolveChannelLayout(12, {}, kInterpretAuto, 0);
  EXPECT_EQ(twelve.roles.back(), kRoleRtr);
  EXPECT_EQ(twelve.layoutCode, 9);
  EXPECT_EQ(ResolveChannelLayout(10, {}, kInterpretAuto, 1).roles, Roles(10, kRoleUnknown));  // film order stops at 8

  const ChannelLayout nine = ResolveChannelLayout(9, {}, kInterpretAuto, 0);
  EXPECT_TRUE(nine.ambisonic);
  EXPECT_EQ(StoredLayoutCode(nine), -1);
  EXPECT_TRUE(ResolveChannelLayout(16, {}, kInterpretAuto, 0).ambisonic);
  const ChannelLayout surroundNine = ResolveChannelLayout(9, {}, kInterpretSurround, 0);
  EXPECT_FALSE(surroundNine.ambisonic);
  EXPECT_EQ(surroundNine.roles, Roles(9, kRoleUnknown));
  EXPECT_EQ(surroundNine.layoutCode, 0);
  EXPECT_EQ(ResolveChannelLayout(7, {}, kInterpretAuto, 0).layoutCode, 0);
}

}  // namespace
}  // namespace vn
