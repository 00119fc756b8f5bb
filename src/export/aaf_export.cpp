#include "export/aaf_export.h"

#include <sndfile.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>

#include "export/aaf_essence_names.h"
#include "export/aaf_overlaps.h"
#include "export/aaf_source_channels.h"
#include "export/bwf_failure_reason.h"
#include "export/bwf_writer.h"
#include "export/export_ixml.h"
#include "export/ixml_document.h"
#include "export/payload_embed.h"
#include "export/wav_chunks.h"
#include "ledger/print_identity.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "render/channel_convert.h"
#include "render/fades.h"

namespace vn {
namespace {

constexpr const char* kNothingWritten = "no clips were written - nothing in range, or every essence write failed";

// One clip on its way to the AAF: which block, where, and its essence channels.
struct PlannedClip {
  int number = 0;
  int block = 0;
  int64_t position = 0;
  int64_t length = 0;
  int64_t headTrim = 0;
  int channel = -1;  // the half of a split stereo clip (0 left, 1 right); -1 all
  std::vector<std::vector<float>> audio;  // essence channels, handles included
  int64_t clipStartInEssence = 0;
  const DeliveryTrack* track = nullptr;    // where it comes from
  const DeliveryClip* delivered = nullptr;
};

struct PlannedTrack {
  std::string name;
  int channels = 1;
  std::string format;
  std::vector<PlannedClip> clips;
};

std::string formatName(int channels) {
  switch (channels) {
    case 1: return "mono";
    case 2: return "stereo";
    case 6: return "5.1";
    case 8: return "7.1";
    default: return std::to_string(channels) + " channels";
  }
}

uint32_t maskFor(int channels) {
  return channels == 6 ? kMask51 : channels == 8 ? kMask71 : channels == 2 ? kMaskStereo : 0;
}

// The bytes of a WAV file from "RIFF" through the data chunk's header.
std::string wavSummary(const std::string& path) {
  const auto chunks = readWavChunks(path);
  if (!chunks) return {};
  const WavChunk* data = chunks->find("data");
  if (!data) return {};
  std::string bytes(static_cast<size_t>(data->bodyOffset()), '\0');
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return {};
  const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  bytes.resize(got);
  return bytes;
}

FadeLengths blockFades(const RenderCache& cache, int b) {
  return effectiveFades(b < int(cache.fadeIns.size()) ? cache.fadeIns[b] : 0.0f,
                        b < int(cache.fadeOuts.size()) ? cache.fadeOuts[b] : 0.0f, cache.blocks[b].duration);
}

// The audible shape of a rendered block, in its own samples: fades and the envelopes
// the mixer applies, except the intensity curve when it travels as automation.
std::vector<std::vector<float>> conformAudio(const RenderCache& cache, int b, int channels, bool volAuto) {
  const RenderedBlock& block = cache.blocks[b];
  const size_t n = block.left.size();
  std::vector<std::vector<float>> out;
  if (channels == 1) {
    out.assign(1, std::vector<float>(n));
    for (size_t i = 0; i < n; ++i) out[0][i] = 0.5f * (block.left[i] + (i < block.right.size() ? block.right[i] : block.left[i]));
  } else {
    out = {block.left, block.right.size() == n ? block.right : block.left};
  }
  const FadeLengths fades = blockFades(cache, b);
  const float duration = std::max(block.duration, 1e-6f);
  const float rate = static_cast<float>(cache.sampleRate);
  for (size_t i = 0; i < n; ++i) {
    const float t = static_cast<float>(i) / rate;
    const float x = t / duration;
    float g = 1.0f;
    if (t < fades.in || duration - t < fades.out) g *= fadeGain(fades, duration, t);
    g *= sampleTable(block.weightTable, x) * sampleTable(block.contourTable, x);
    if (!volAuto) g *= sampleTable(block.intensityTable, x);
    for (auto& ch : out) ch[i] *= g;
  }
  return out;
}

struct Exporter {
  Exporter(const Session& s, const RenderCache& c, const AafExportOptions& o) : session(s), cache(c), options(o) {}
  const Session& session;
  const RenderCache& cache;
  const AafExportOptions& options;
  int rate = 48000;
  std::string essenceDir;
  std::string base;
  std::set<std::string> takenNames;
  std::string recipe;  // of the whole session, for the reverb files
  AafExportResult result;

  int64_t handleSamples() const { return std::max<int64_t>(0, std::llround(options.handleSeconds * rate)); }

  const Layer* layerOf(int b) const {
    if (b < 0) return nullptr;  // a comp
    const int idx = cache.blocks[b].layerIdx;
    return idx >= 0 && idx < int(session.results.size()) ? &session.results[idx] : nullptr;
  }

  std::string clipName(const PlannedClip& clip) const { return clipName(clip.block, clip.delivered); }
  std::string clipName(int b, const DeliveryClip* delivered) const {
    const Layer* l = layerOf(b);
    if (!l) return delivered && !delivered->compName.empty() ? delivered->compName : "clip";
    std::string name = l->name.empty() ? fileNameOf(l->filepath) : l->name;
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
  }

  // The clip's essence with its handles; false when it cannot be had.
  bool fillEssence(PlannedClip& clip, bool sourceNative) {
    const int64_t handle = handleSamples();
    if (sourceNative) {
      const Layer* l = layerOf(clip.block);
      if (!l) return false;
      const double clipSeconds = static_cast<double>(clip.length) / rate;
      const double start = l->sourceOffset + static_cast<double>(clip.headTrim) / rate;
      const double before = options.fullSource ? start : std::min(start, options.handleSeconds);
      const double span = options.fullSource ? -1.0 : before + clipSeconds + options.handleSeconds;
      auto region = readSourceChannels(l->filepath, start - before, span, rate);
      if (!region || region->channels.empty() || region->channels[0].empty()) return false;
      clip.audio = std::move(region->channels);
      // A split half of a stereo source keeps its own channel.
      if (clip.channel >= 0 && clip.audio.size() >= 2) clip.audio = {clip.audio[static_cast<size_t>(clip.channel)]};
      clip.clipStartInEssence = std::llround((start - region->startSeconds) * rate);
    } else {
      std::vector<std::vector<float>> shaped = deliveredAudio(clip);
      if (shaped.empty() || shaped[0].empty()) return false;
      if (clip.channel >= 0 && clip.channel < static_cast<int>(shaped.size())) shaped = {shaped[clip.channel]};
      // A rendered layer holds nothing outside itself: its handles are silence.
      clip.clipStartInEssence = handle + clip.headTrim;
      for (auto& ch : shaped) {
        std::vector<float> padded(static_cast<size_t>(handle), 0.0f);
        padded.insert(padded.end(), ch.begin(), ch.end());
        padded.resize(padded.size() + static_cast<size_t>(handle), 0.0f);
        ch = std::move(padded);
      }
      clip.audio = std::move(shaped);
    }
    return true;
  }

  // A layer's shaped block in the track's channels: folded to mono, as its pair, or
  // spread over a wider track; a comp's rendered audio as it is.
  std::vector<std::vector<float>> deliveredAudio(const PlannedClip& clip) const {
    if (clip.delivered->isComp()) return clip.delivered->compAudio;
    const int channels = clip.track->channels;
    std::vector<std::vector<float>> pair = conformAudio(cache, clip.block, channels == 1 ? 1 : 2, options.volAuto);
    if (channels <= 2 || pair.size() < 2) return pair;
    const RenderedBlock& b = cache.blocks[clip.block];
    return convertPairToFormat(pair[0].data(), pair[1].data(), pair[0].size(), clip.track->fmt, b.placement,
                               b.stereoSource, panAmount(b.placement, clip.track->spatialAmount));
  }

  // The clip's iXML with the recipe and the manifest of the layers it holds, both
  // with the events of those layers only.
  std::string clipIxml(const PlannedClip& clip, double t0) const {
    std::vector<Layer> layers;
    if (const Layer* l = layerOf(clip.block)) layers.push_back(*l);
    for (int m : clip.delivered->compMembers)
      if (m >= 0 && m < static_cast<int>(session.results.size())) layers.push_back(session.results[m]);
    const ClipEvents own = clipEvents(layers, session.events);
    ManifestInput manifest;
    manifest.blocks = &own.layers;
    manifest.events = &own.events;
    manifest.t0 = t0;
    std::string ixml = insertPayloadBlock(exportIxmlDocument(clipName(clip)), recipeBlock(own.events));
    return embedManifest(std::move(ixml), manifest);
  }

  // Writes the essence file; the AAF clip that places it, or false.
  bool writeEssence(PlannedClip& clip, bool sourceNative, aaf::Clip& out) {
    if (!fillEssence(clip, sourceNative)) {
      logLine("[AAF] clip %d: its essence could not be made - left out\n", clip.number);
      return false;
    }
    const char* half = clip.channel == 0 ? ".L" : clip.channel == 1 ? ".R" : "";
    const std::string name = essenceFileName(
        {base, clip.number, clipName(clip), sourceNative, half, clip.position}, takenNames);
    const std::string path = essenceDir + "/" + name;
    const double essenceStart = session.settings.startTC +
                                static_cast<double>(clip.position - clip.clipStartInEssence) / rate;
    const std::string ixml = clipIxml(clip, essenceStart - session.settings.startTC);
    BwfProvenance provenance;
    provenance.print = NewPrintIdentity();
    provenance.kind = "aaf essence";
    BwfWriteOptions writeOptions;
    writeOptions.provenance = &provenance;
    const std::string description = clipName(clip);
    const auto frames = static_cast<int64_t>(clip.audio[0].size());
    bool written;
    if (clip.audio.size() == 1) {
      written = frames <= INT32_MAX && WriteBWFClipMono(path, clip.audio[0].data(), static_cast<int32_t>(frames), rate,
                                                        essenceStart, description.c_str(), ixml, writeOptions);
    } else if (clip.audio.size() == 2) {
      written = WriteBWFStereo(path, clip.audio[0].data(), clip.audio[1].data(), frames, rate, essenceStart,
                               description.c_str(), ixml, writeOptions);
    } else {
      const uint32_t mask = maskFor(static_cast<int>(clip.audio.size()));
      written = WriteBWFMulti(path, clip.audio, mask, rate, essenceStart, description.c_str(), false, mask != 0, ixml,
                              writeOptions);
    }
    if (!written) {
      logLine("[AAF] clip %d: essence '%s' could not be written - left out\n", clip.number, path.c_str());
      return false;
    }
    result.essenceFiles.push_back(path);
    // A layer's essence holds that layer; a comp's, its members.
    std::vector<int> held = clip.block >= 0 ? std::vector<int>{cache.blocks[clip.block].layerIdx}
                                            : (clip.delivered ? clip.delivered->compMembers : std::vector<int>{});
    result.essence.push_back({path, provenance.print, static_cast<int>(clip.audio.size()), frames,
                              essenceStart - session.settings.startTC, std::move(held)});
    out.name = description;
    out.position = clip.position;
    out.length = clip.length;
    out.sourceOffset = clip.clipStartInEssence;
    out.essencePath = path;
    out.essenceLength = frames;
    out.channels = static_cast<int>(clip.audio.size());
    out.wavSummary = wavSummary(path);
    out.timeReference = static_cast<int64_t>(timeReferenceOf(rate, essenceStart));
    if (clip.delivered->isComp()) return true;  // a comp's audio carries its members' levels
    const RenderedBlock& block = cache.blocks[clip.block];
    out.gain = static_cast<double>(block.mixGain) * block.normGain * block.eventGain;
    if (options.volAuto && block.intensityTable) {
      const auto& table = *block.intensityTable;
      const int64_t blockLength = std::max<int64_t>(1, static_cast<int64_t>(block.left.size()));
      for (size_t i = 0; i < table.size(); i += 4) {
        const int64_t inBlock = static_cast<int64_t>(i) * blockLength / static_cast<int64_t>(table.size() - 1);
        const int64_t t = inBlock - clip.headTrim;
        if (t < 0 || t > clip.length) continue;
        out.gainCurve.push_back({t, out.gain * table[i]});
      }
      out.gainCurve.push_back({clip.length, out.gain * table.back()});
    }
    return true;
  }

  // "Reverb.L.wav"/"Reverb.R.wav" on tracks "Reverb L"/"Reverb R", or one stereo
  // "Reverb.wav" on a track "Reverb" in multichannel mode.
  void addReverbStem(aaf::Session& out, int& physical) {
    const auto& stem = *options.reverbStem;
    struct Part {
      std::string track, file;
      std::vector<const float*> audio;
    };
    std::vector<Part> parts;
    if (options.multichannelTracks) parts.push_back({"Reverb", "Reverb.wav", {stem[0].data(), stem[1].data()}});
    else parts = {{"Reverb L", "Reverb.L.wav", {stem[0].data()}}, {"Reverb R", "Reverb.R.wav", {stem[1].data()}}};
    const auto frames = static_cast<int64_t>(stem[0].size());
    for (Part& p : parts) {
      const std::string path = essenceDir + "/" + p.file;
      BwfProvenance provenance;
      provenance.print = NewPrintIdentity();
      provenance.kind = "aaf essence";
      BwfWriteOptions writeOptions;
      writeOptions.provenance = &provenance;
      const std::string ixml = insertPayloadBlock(exportIxmlDocument("Reverb"), recipe);
      const bool written =
          p.audio.size() == 1
              ? frames <= INT32_MAX && WriteBWFClipMono(path, p.audio[0], static_cast<int32_t>(frames), rate,
                                                        session.settings.startTC, "Reverb", ixml, writeOptions)
              : WriteBWFStereo(path, p.audio[0], p.audio[1], frames, rate, session.settings.startTC,
                               "Reverb", ixml, writeOptions);
      if (!written) {
        logLine("[AAF] reverb stem '%s' could not be written - left out\n", path.c_str());
        continue;
      }
      result.essenceFiles.push_back(path);
      result.essence.push_back({path, provenance.print, static_cast<int>(p.audio.size()), frames, 0.0, {}});
      aaf::Clip clip;
      clip.name = p.track;
      clip.length = frames;
      clip.essencePath = path;
      clip.essenceLength = frames;
      clip.channels = static_cast<int>(p.audio.size());
      clip.wavSummary = wavSummary(path);
      const int channels = static_cast<int>(p.audio.size());
      out.tracks.push_back({p.track, ++physical, channels, formatName(channels), {clip}});
      ++result.clips;
    }
  }

  // The AAF tracks of one delivery track: split, combined or as they are.
  std::vector<PlannedTrack> planTracks(const DeliveryTrack& delivery, int& clipNumber) {
    std::vector<PlannedTrack> planned;
    const bool split = delivery.channels == 2 && !options.multichannelTracks;
    if (split) {
      planned.push_back({delivery.name + " L", 1, "mono", {}});
      planned.push_back({delivery.name + " R", 1, "mono", {}});
    } else {
      planned.push_back({delivery.name, delivery.channels, formatName(delivery.channels), {}});
    }
    for (const DeliveryClip& d : delivery.clips) {
      const int number = ++clipNumber;
      for (size_t t = 0; t < planned.size(); ++t) {
        PlannedClip c;
        c.number = number;
        c.block = d.block;
        c.position = d.position;
        c.length = d.length;
        c.channel = split ? static_cast<int>(t) : -1;
        c.track = &delivery;
        c.delivered = &d;
        planned[t].clips.push_back(std::move(c));
      }
    }
    return planned;
  }

  // Source-native: every layer with its source's channels; mono and stereo sources
  // stay on the delivery track (stereo split in multi-mono mode), wider ones get a
  // track of their own.
  std::vector<PlannedTrack> planSourceNative(const DeliveryTrack& delivery, int& clipNumber) {
    std::vector<PlannedTrack> planned;
    PlannedTrack mono{delivery.name, 1, "mono", {}};
    PlannedTrack left{delivery.name + " L", 1, "mono", {}}, right{delivery.name + " R", 1, "mono", {}};
    PlannedTrack stereo{delivery.name, 2, "stereo", {}};
    std::vector<PlannedTrack> wide;
    for (const DeliveryClip& d : delivery.clips) {
      const Layer* l = layerOf(d.block);
      if (!l) continue;  // comps are not shipped with source channels
      const int number = ++clipNumber;
      SF_INFO info{};
      int channels = 1;
      if (SNDFILE* f = sf_open(l->filepath.c_str(), SFM_READ, &info)) {
        channels = std::max(1, info.channels);
        sf_close(f);
      }
      PlannedClip c{number, d.block, d.position, d.length, 0, -1, {}, 0, &delivery, &d};
      if (channels == 1) {
        mono.clips.push_back(c);
      } else if (channels == 2 && !options.multichannelTracks) {
        c.channel = 0;
        left.clips.push_back(c);
        c.channel = 1;
        right.clips.push_back(c);
      } else if (channels == 2) {
        stereo.clips.push_back(c);
      } else {
        wide.push_back({delivery.name + " " + clipName(d.block, &d), channels, formatName(channels), {c}});
      }
    }
    for (PlannedTrack* t : {&mono, &left, &right, &stereo})
      if (!t->clips.empty()) planned.push_back(std::move(*t));
    for (PlannedTrack& t : wide) planned.push_back(std::move(t));
    return planned;
  }
};

bool ensureFolder(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  return std::filesystem::is_directory(path, ec);
}

}  // namespace

AafExportOptions aafOptionsFromSettings(const ExportSettings& s) {
  AafExportOptions o;
  o.sourceChannels = s.exportAAFSourceChannels;
  o.handleSeconds = s.exportWithHandles ? s.handleDuration : 0.0;
  o.fullSource = s.handleFullSource;
  o.volAuto = s.exportAAFVolAuto;
  o.markers = s.exportAAFMarkers;
  return o;
}

AafExportResult exportAafSession(const Session& session, const RenderCache& cache,
                                 const std::vector<DeliveryTrack>& delivery, const std::string& aafPath,
                                 const AafExportOptions& options) {
  Exporter ex{session, cache, options};
  ex.rate = cache.sampleRate > 0 ? cache.sampleRate : 48000;
  std::error_code ec;
  const std::string absolute = std::filesystem::absolute(aafPath, ec).lexically_normal().string();
  const std::string folder = std::filesystem::path(absolute).parent_path().string();
  ex.essenceDir = folder + "/Audio Files";
  ex.base = options.baseName.empty() ? std::filesystem::path(absolute).stem().string() : options.baseName;
  ex.recipe = recipeBlock(session.events);
  const bool aafDirExists = std::filesystem::is_directory(folder, ec);

  if (options.sourceChannels) {
    int comps = 0;
    for (const Layer& l : session.results) comps += l.foldTarget >= 0;
    logLine("[Export] AAF: source-native channels is on - fold comps are not exported (design 5d). %d comp(s) "
            "ignored.\n",
            comps);
  }

  std::vector<PlannedTrack> planned;
  int clipNumber = 0;
  for (const DeliveryTrack& d : delivery) {
    auto tracks = options.sourceChannels ? ex.planSourceNative(d, clipNumber) : ex.planTracks(d, clipNumber);
    for (auto& t : tracks) planned.push_back(std::move(t));
  }

  aaf::Session out;
  out.sampleRate = ex.rate;
  out.frameRate = std::max(1, static_cast<int>(std::lround(session.settings.fps)));
  out.startFrame = std::llround(std::max(0.0f, session.settings.startTC) * out.frameRate);
  out.productVersion = programVersion();
  const bool folderMade = ensureFolder(ex.essenceDir);
  int physical = 0;
  for (PlannedTrack& t : planned) {
    std::vector<TrackSpan> spans;
    for (const PlannedClip& c : t.clips) {
      // A comp's audio is rendered whole: it has no fades of its own to dissolve with.
      const FadeLengths fades = c.delivered->isComp() ? FadeLengths{0.0f, 0.0f} : blockFades(cache, c.block);
      spans.push_back({c.number, c.position, c.length, std::llround(fades.in * ex.rate),
                       std::llround(fades.out * ex.rate)});
    }
    resolveTrackOverlaps(spans);
    aaf::Track track{t.name, ++physical, t.channels, t.format, {}};
    for (size_t i = 0; i < t.clips.size() && folderMade; ++i) {
      if (spans[i].dropped) continue;
      PlannedClip& c = t.clips[i];
      c.position = spans[i].position;
      c.length = spans[i].length;
      c.headTrim = spans[i].headTrim;
      aaf::Clip clip;
      if (!ex.writeEssence(c, options.sourceChannels, clip)) continue;
      // A dissolve needs the clip before it on the track.
      clip.crossfade = track.clips.empty() ? 0 : spans[i].crossfade;
      track.clips.push_back(std::move(clip));
      ++ex.result.clips;
    }
    if (!track.clips.empty()) out.tracks.push_back(std::move(track));
  }

  const auto* reverb = options.reverbStem;
  if (reverb && reverb->size() == 2 && !(*reverb)[0].empty() && (*reverb)[1].size() == (*reverb)[0].size() && folderMade)
    ex.addReverbStem(out, physical);

  if (ex.result.essenceFiles.empty()) {
    logLine("[Export] AAF: aborting - %s\n", kNothingWritten);
    ex.result.reason = std::string("AAF export failed: ") + kNothingWritten + ".";
    return ex.result;
  }
  if (options.markers) {
    for (size_t i = 0; i < session.events.size(); ++i) {
      const Event& e = session.events[i];
      if (e.muted) continue;
      const double at = e.time;  // the sync point: the event's own time
      out.markers.push_back({std::max<int64_t>(0, std::llround(at * ex.rate)), format("Event %zu", i + 1)});
    }
  }

  const int handles = static_cast<int>(options.fullSource ? -1 : ex.handleSamples());
  logLine("[AAF] writing '%s'  (essence clips=%d, handles=%d, fillVirtual=%d, aafDir exists=%d)\n", absolute.c_str(),
          static_cast<int>(ex.result.essenceFiles.size()), handles, session.exportSettings.exportFillVirtual ? 1 : 0,
          aafDirExists ? 1 : 0);
  const aaf::WriteOutcome written = aaf::writeSessionFile(absolute, out);
  ex.result.stats = written.stats;
  ex.result.tracks = static_cast<int>(out.tracks.size());
  if (written.hr != aaf::kAafOk) {
    if (written.step == "OpenNewModifyEx")
      logLine("[AAF] OpenNewModifyEx FAILED hr=0x%08lX path='%s'\n", static_cast<unsigned long>(uint32_t(written.hr)),
              absolute.c_str());
    else
      logLine("[AAF] %s FAILED hr=0x%08lX\n", written.step.c_str(), static_cast<unsigned long>(uint32_t(written.hr)));
    ex.result.reason = "AAF export failed: " + written.error + ".";
    return ex.result;
  }
  if (options.multichannelTracks)
    logLine("[AAF] multichannel tracks: %d combined track(s)\n", written.stats.combinedTracks);
  const bool mismatch = written.stats.clipSegments != ex.result.clips;
  logLine("[AAF] %d clip segment(s): %d with gain, %d wrapped%s\n", written.stats.clipSegments, written.stats.withGain,
          written.stats.wrapped, mismatch ? "** MISMATCH **" : "");
  ex.result.ok = true;
  return ex.result;
}

}  // namespace vn
