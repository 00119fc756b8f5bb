#pragma once
// The mixes of an export run through the offline mixer: the mixdown, one stem per
// bus and the reverb's wet return. The mixer is linear, so when a run asks for the
// stems and for the mixdown or the wet return, each bus is mixed once with its own
// return and the mixdown and the return are their sums, rather than passes (and
// reverbs) of their own.
#include <cstdint>
#include <optional>
#include <vector>

#include "render/offline_mix.h"
#include "render/spatial_layout.h"

namespace vn {

struct ExportContext;
using Planar = std::vector<std::vector<float>>;

// Stems kept together beyond this many bytes are mixed one at a time instead.
constexpr uint64_t kSharedStemBytes = uint64_t{1} << 30;

struct RunMixes {
  bool prepared = false;
  std::vector<Planar> stems;      // per bus of stemBusses, when they were mixed together
  std::optional<Planar> mixdown;  // in the mix layout, before the loudness match
  MixdownBuffer wetReturn;        // stereo, for the AAF and the reverb stem
};

// The speaker layout the mixer renders for the run's export layout (AmbiX is
// encoded from its 7.1.4 speaker mix).
SpatialLayout runMixLayout(const ExportContext& ctx);

// Busses in display order that carry at least one sounding layer.
std::vector<int> stemBusses(const ExportContext& ctx);

// The mixdown in the mix layout, before the loudness match; kept by an earlier stage
// or mixed now. Nullopt when cancelled or memory is short.
std::optional<Planar> takeMixdown(ExportContext& ctx);
// The stem of stemBusses(ctx)[index], kept or mixed now.
std::optional<Planar> takeStem(ExportContext& ctx, size_t index, double progressFrom, double progressTo);
// Makes ctx.mixes.wetReturn unless a pass already kept it; false when the reverb is
// off, memory is short or the run was cancelled.
bool mixWetReturn(ExportContext& ctx);

}  // namespace vn
