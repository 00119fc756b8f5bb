#include "export/aaf/aaf_composition.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/secure_random.h"

namespace vn::aaf {
namespace {

// Definitions as DAWs know them (the legacy data definitions included).
const Auid kSound = auidFromText("78e1ebe1-6cef-11d2-807d-006008143e6f");
const Auid kTimecode = auidFromText("7f275e81-77e5-11d2-807f-006008143e6f");
const Auid kDescriptive = auidFromText("01030201-1000-0000-060e-2b3404010101");
const Auid kGain = auidFromText("9d2ea894-0968-11d3-8a38-0050040ef7d2");
const Auid kDissolve = auidFromText("0c3bea41-fc05-11d2-8a29-0050040ef7d2");
// The channel combiner has no published identifier; this one is ours.
const Auid kCombiner = auidFromText("5c1e1f62-8a0e-4c3b-9a4f-7f2d3b6e1a19");
const Auid kAmplitude = auidFromText("e4962321-2267-11d3-8a4c-0050040ef7d2");
const Auid kLevel = auidFromText("e4962320-2267-11d3-8a4c-0050040ef7d2");
const Auid kLinearInterp = auidFromText("5b6c85a4-0ede-11d3-80a9-006008143e6f");
const Auid kExternal = auidFromText("4313b572-d8ba-11d2-809b-006008143e6f");
const Auid kRationalType = auidFromText("03010100-0000-0000-060e-2b3401040101");
const Auid kUsageTopLevel = auidFromText("0d010102-0101-0700-060e-2b3404010101");
const Auid kEditProtocol = auidFromText("0d011201-0100-0000-060e-2b3404010105");
const Auid kProductId = auidFromText("3f6a9d27-5b1c-4e8a-b0d4-2c7e91a4f035");

constexpr uint16_t kDefinitionKey = 0x1B01;
constexpr uint16_t kMobKey = 0x4401;

struct Builder {
  Document& doc;
  const Session& session;
  WriteStats& stats;
  ObjectId content = 0;
  MobIdSource mobIds;

  std::string mobKey(const MobId& id) { return std::string(id.begin(), id.end()); }

  ObjectId definition(ObjectId dictionary, const char* setName, const char* cls, const Auid& auid, const char* name,
                      const char* description) {
    const ObjectId def = newObject(doc, cls);
    setAuid(doc, def, "Identification", auid);
    setString(doc, def, "Name", name);
    setString(doc, def, "Description", description);
    addToStrongSet(doc, dictionary, setName, def, kDefinitionKey, auidBytes(auid));
    return def;
  }

  ObjectId buildDictionary(bool markers) {
    const ObjectId dict = newObject(doc, "Dictionary");
    definition(dict, "DataDefinitions", "DataDefinition", kSound, "Sound", "Sound data");
    definition(dict, "DataDefinitions", "DataDefinition", kTimecode, "Timecode", "Timecode data");
    if (markers)
      definition(dict, "DataDefinitions", "DataDefinition", kDescriptive, "DescriptiveMetadata",
                 "Descriptive metadata");
    struct Op {
      const Auid& auid;
      const char* name;
      const char* description;
      int32_t inputs;
    };
    for (const Op& op : {Op{kGain, "Mono Audio Gain", "A mono audio gain adjustment", 1},
                         Op{kDissolve, "Mono Audio Dissolve", "A mono audio dissolve", 2},
                         Op{kCombiner, "Audio Channel Combiner", "Combines mono channels into one track", -1}}) {
      const ObjectId def =
          definition(dict, "OperationDefinitions", "OperationDefinition", op.auid, op.name, op.description);
      setWeakRef(doc, def, "DataDefinition", WeakTarget::DataDefinitions, kSound);
      setBool(doc, def, "IsTimeWarp", false);
      setInt32(doc, def, "NumberInputs", op.inputs);
    }
    struct Param {
      const Auid& auid;
      const char* name;
      const char* description;
    };
    for (const Param& p : {Param{kAmplitude, "Amplitude", "Gain amplitude parameter"},
                           Param{kLevel, "Level", "Dissolve level parameter"}}) {
      const ObjectId def =
          definition(dict, "ParameterDefinitions", "ParameterDefinition", p.auid, p.name, p.description);
      setWeakRef(doc, def, "Type", WeakTarget::TypeDefinitions, kRationalType);
    }
    definition(dict, "InterpolationDefinitions", "InterpolationDefinition", kLinearInterp, "LinearInterp",
               "Linear interpolation");
    definition(dict, "ContainerDefinitions", "ContainerDefinition", kExternal, "External",
               "External essence: the essence lives in its own file");
    return dict;
  }

  ObjectId identification() {
    const ObjectId id = newObject(doc, "Identification");
    int v[3] = {0, 0, 0};
    std::sscanf(session.productVersion.c_str(), "%d.%d.%d", &v[0], &v[1], &v[2]);
    std::string version;
    for (int part : {v[0], v[1], v[2], 0}) version += le16(static_cast<uint16_t>(part));
    version.push_back(1);  // released
    setString(doc, id, "CompanyName", "Varnel");
    setString(doc, id, "ProductName", "Varnel");
    setBytes(doc, id, "ProductVersion", version);
    setString(doc, id, "ProductVersionString", session.productVersion);
    setAuid(doc, id, "ProductID", kProductId);
    setNow(doc, id, "Date");
    setBytes(doc, id, "ToolkitVersion", version);
    setString(doc, id, "Platform", "linux");
    Auid generation;
    secureRandomBytes(generation.data(), generation.size());
    generation[7] = static_cast<uint8_t>((generation[7] & 0x0F) | 0x40);  // a version-4 UUID in stored order
    generation[8] = static_cast<uint8_t>((generation[8] & 0x3F) | 0x80);
    setAuid(doc, id, "GenerationAUID", generation);
    return id;
  }

  ObjectId newMob(const char* cls, const std::string& name, const MobId& id) {
    const ObjectId mob = newObject(doc, cls);
    setMobId(doc, mob, "MobID", id);
    setString(doc, mob, "Name", name);
    setNow(doc, mob, "LastModified");
    setNow(doc, mob, "CreationTime");
    addToStrongSet(doc, content, "Mobs", mob, kMobKey, mobKey(id));
    return mob;
  }

  ObjectId timelineSlot(ObjectId mob, uint32_t slotId, int32_t editRate, ObjectId segment) {
    const ObjectId slot = newObject(doc, "TimelineMobSlot");
    setUInt32(doc, slot, "SlotID", slotId);
    setRational(doc, slot, "EditRate", editRate, 1);
    setInt64(doc, slot, "Origin", 0);
    setStrongRef(doc, slot, "Segment", segment);
    appendStrongVector(doc, mob, "Slots", slot);
    return slot;
  }

  ObjectId sourceClip(int64_t length, const MobId& source, uint32_t sourceSlot, int64_t start) {
    const ObjectId clip = newObject(doc, "SourceClip");
    setWeakRef(doc, clip, "DataDefinition", WeakTarget::DataDefinitions, kSound);
    setInt64(doc, clip, "Length", length);
    setMobId(doc, clip, "SourceID", source);
    setUInt32(doc, clip, "SourceMobSlotID", sourceSlot);
    setInt64(doc, clip, "StartTime", start);
    return clip;
  }

  // File source mob and master mob of one essence file; the master mob's id.
  MobId essenceMobs(const Clip& clip) {
    const MobId fileId = mobIds.next(), masterId = mobIds.next();
    const ObjectId file = newMob("SourceMob", clip.name, fileId);
    const ObjectId descriptor = newObject(doc, "WAVEDescriptor");
    setRational(doc, descriptor, "SampleRate", session.sampleRate, 1);
    setInt64(doc, descriptor, "Length", clip.essenceLength);
    setWeakRef(doc, descriptor, "ContainerFormat", WeakTarget::ContainerDefinitions, kExternal);
    setBytes(doc, descriptor, "Summary", clip.wavSummary);
    const ObjectId locator = newObject(doc, "NetworkLocator");
    setString(doc, locator, "URLString", fileUrl(clip.essencePath));
    appendStrongVector(doc, descriptor, "Locator", locator);
    setStrongRef(doc, file, "EssenceDescription", descriptor);
    const MobId none{};
    for (int c = 0; c < clip.channels; ++c)
      timelineSlot(file, c + 1, session.sampleRate, sourceClip(clip.essenceLength, none, 0, 0));

    const ObjectId master = newMob("MasterMob", clip.name, masterId);
    for (int c = 0; c < clip.channels; ++c)
      timelineSlot(master, c + 1, session.sampleRate, sourceClip(clip.essenceLength, fileId, c + 1, 0));
    return masterId;
  }

  ObjectId operationGroup(const Auid& op, int64_t length) {
    const ObjectId group = newObject(doc, "OperationGroup");
    setWeakRef(doc, group, "DataDefinition", WeakTarget::DataDefinitions, kSound);
    setInt64(doc, group, "Length", length);
    setWeakRef(doc, group, "Operation", WeakTarget::OperationDefinitions, op);
    return group;
  }

  static std::string rationalGain(double gain) {
    const double g = std::clamp(std::isfinite(gain) ? gain : 0.0, 0.0, 2000.0);
    return indirectRational(static_cast<int32_t>(std::lround(g * 1000000.0)), 1000000);
  }

  ObjectId clipComponent(const Track& track, const Clip& clip) {
    const MobId master = essenceMobs(clip);
    ObjectId segment;
    if (track.channels > 1) {
      segment = operationGroup(kCombiner, clip.length);
      for (int c = 0; c < clip.channels; ++c)
        appendStrongVector(doc, segment, "InputSegments",
                           sourceClip(clip.length, master, c + 1, clip.sourceOffset));
      ++stats.wrapped;
    } else {
      segment = sourceClip(clip.length, master, 1, clip.sourceOffset);
    }
    ++stats.clipSegments;
    const bool hasGain = !clip.gainCurve.empty() || std::fabs(clip.gain - 1.0) > 1e-6;
    if (!hasGain) return segment;
    const ObjectId group = operationGroup(kGain, clip.length);
    appendStrongVector(doc, group, "InputSegments", segment);
    const Auid amplitude = kAmplitude;
    ObjectId parameter;
    if (clip.gainCurve.empty()) {
      parameter = newObject(doc, "ConstantValue");
      setBytes(doc, parameter, "Value", rationalGain(clip.gain));
    } else {
      parameter = newObject(doc, "VaryingValue");
      setWeakRef(doc, parameter, "Interpolation", WeakTarget::InterpolationDefinitions, kLinearInterp);
      for (const GainPoint& p : clip.gainCurve) {
        const ObjectId point = newObject(doc, "ControlPoint");
        const int64_t t = std::clamp<int64_t>(p.time, 0, clip.length);
        // Control point times are fractions of the operation's length.
        const int64_t den = std::max<int64_t>(clip.length, 1);
        const int64_t scale = std::max<int64_t>(1, den / 1000000000 + 1);
        setRational(doc, point, "Time", static_cast<int32_t>(t / scale), static_cast<int32_t>(den / scale));
        setBytes(doc, point, "Value", rationalGain(p.gain));
        appendStrongVector(doc, parameter, "PointList", point);
      }
    }
    setAuid(doc, parameter, "Definition", amplitude);
    addToStrongSet(doc, group, "Parameters", parameter, 0x4C01, auidBytes(amplitude));
    ++stats.withGain;
    return group;
  }

  // The previous clip fades into the next over length samples: a dissolve whose
  // level rises linearly from the first clip to the second, cut in the middle.
  ObjectId transition(int64_t length) {
    const ObjectId group = operationGroup(kDissolve, length);
    const ObjectId level = newObject(doc, "VaryingValue");
    setWeakRef(doc, level, "Interpolation", WeakTarget::InterpolationDefinitions, kLinearInterp);
    for (int end = 0; end <= 1; ++end) {
      const ObjectId point = newObject(doc, "ControlPoint");
      setRational(doc, point, "Time", end, 1);
      setBytes(doc, point, "Value", indirectRational(end, 1));
      appendStrongVector(doc, level, "PointList", point);
    }
    setAuid(doc, level, "Definition", kLevel);
    addToStrongSet(doc, group, "Parameters", level, 0x4C01, auidBytes(kLevel));
    const ObjectId t = newObject(doc, "Transition");
    setWeakRef(doc, t, "DataDefinition", WeakTarget::DataDefinitions, kSound);
    setInt64(doc, t, "Length", length);
    setStrongRef(doc, t, "OperationGroup", group);
    setInt64(doc, t, "CutPoint", length / 2);
    ++stats.dissolves;
    return t;
  }

  ObjectId taggedValue(const std::string& name, int32_t value) {
    const ObjectId tag = newObject(doc, "TaggedValue");
    setString(doc, tag, "Name", name);
    setBytes(doc, tag, "Value", indirectInt32(value));
    return tag;
  }

  static int32_t trackFormatCode(const Track& t) {
    switch (t.channels) {
      case 1: return 1;
      case 2: return 2;
      case 6: return 3;
      case 8: return 4;
      default: return t.channels;
    }
  }

  int64_t audioSlot(ObjectId comp, uint32_t slotId, const Track& track) {
    const ObjectId sequence = newObject(doc, "Sequence");
    setWeakRef(doc, sequence, "DataDefinition", WeakTarget::DataDefinitions, kSound);
    int64_t cursor = 0;
    bool afterClip = false;
    for (const Clip& clip : track.clips) {
      const bool dissolve = afterClip && clip.crossfade > 0 && clip.crossfade < clip.length &&
                            clip.position + clip.crossfade == cursor;
      if (dissolve) {
        appendStrongVector(doc, sequence, "Components", transition(clip.crossfade));
        cursor -= clip.crossfade;
      }
      if (clip.length <= 0 || clip.position < cursor) continue;  // overlaps are resolved before
      if (clip.position > cursor) {
        const ObjectId filler = newObject(doc, "Filler");
        setWeakRef(doc, filler, "DataDefinition", WeakTarget::DataDefinitions, kSound);
        setInt64(doc, filler, "Length", clip.position - cursor);
        appendStrongVector(doc, sequence, "Components", filler);
      }
      appendStrongVector(doc, sequence, "Components", clipComponent(track, clip));
      cursor = clip.position + clip.length;
      afterClip = true;
    }
    setInt64(doc, sequence, "Length", cursor);
    appendStrongVector(doc, sequence, "ComponentAttributeList", taggedValue("_IGNORE_TRACKING", 0));
    appendStrongVector(doc, sequence, "ComponentAttributeList", taggedValue("_TRACK_FORMAT", trackFormatCode(track)));
    const ObjectId slot = timelineSlot(comp, slotId, session.sampleRate, sequence);
    setString(doc, slot, "SlotName", track.name);
    setUInt32(doc, slot, "PhysicalTrackNumber", static_cast<uint32_t>(track.physicalNumber));
    appendStrongVector(doc, slot, "TimelineMobAttributeList", taggedValue("_TRACK_FORMAT", trackFormatCode(track)));
    appendStrongVector(doc, slot, "TimelineMobAttributeList", taggedValue("_IGNORE_TRACKING", 0));
    if (track.channels > 1) ++stats.combinedTracks;
    return cursor;
  }

  void markerSlot(ObjectId comp, uint32_t slotId) {
    const ObjectId sequence = newObject(doc, "Sequence");
    setWeakRef(doc, sequence, "DataDefinition", WeakTarget::DataDefinitions, kDescriptive);
    for (const Marker& m : session.markers) {
      const ObjectId marker = newObject(doc, "DescriptiveMarker");
      setWeakRef(doc, marker, "DataDefinition", WeakTarget::DataDefinitions, kDescriptive);
      setInt64(doc, marker, "Position", m.position);
      setString(doc, marker, "Comment", m.comment);
      appendStrongVector(doc, sequence, "Components", marker);
    }
    const ObjectId slot = newObject(doc, "EventMobSlot");
    setUInt32(doc, slot, "SlotID", slotId);
    setString(doc, slot, "SlotName", "Markers");
    setRational(doc, slot, "EditRate", session.sampleRate, 1);
    setStrongRef(doc, slot, "Segment", sequence);
    appendStrongVector(doc, comp, "Slots", slot);
  }

  ObjectId build() {
    const ObjectId header = newObject(doc, "Header");
    content = newObject(doc, "ContentStorage");
    setEmptyStrongSet(doc, content, "EssenceData", 0x2701);
    const ObjectId dict = buildDictionary(!session.markers.empty());

    const ObjectId comp = newMob("CompositionMob", session.name, mobIds.next());
    setAuid(doc, comp, "UsageCode", kUsageTopLevel);
    int64_t longest = 0;
    uint32_t slotId = 1;
    for (const Track& track : session.tracks) longest = std::max(longest, audioSlot(comp, slotId++, track));

    const ObjectId tc = newObject(doc, "Timecode");
    setWeakRef(doc, tc, "DataDefinition", WeakTarget::DataDefinitions, kTimecode);
    const int64_t frames = (longest * session.frameRate + session.sampleRate - 1) / session.sampleRate;
    setInt64(doc, tc, "Length", std::max<int64_t>(frames, 1));
    setInt64(doc, tc, "Start", session.startFrame);
    setUInt16(doc, tc, "FPS", static_cast<uint16_t>(session.frameRate));
    setBool(doc, tc, "Drop", false);
    const ObjectId tcSlot = timelineSlot(comp, slotId++, session.frameRate, tc);
    setString(doc, tcSlot, "SlotName", "TC1");
    setUInt32(doc, tcSlot, "PhysicalTrackNumber", 1);
    if (!session.markers.empty()) markerSlot(comp, slotId++);

    setInt16(doc, header, "ByteOrder", 0x4949);
    setNow(doc, header, "LastModified");
    setStrongRef(doc, header, "Content", content);
    setStrongRef(doc, header, "Dictionary", dict);
    setBytes(doc, header, "Version", std::string{char(1), char(1)});
    appendStrongVector(doc, header, "IdentificationList", identification());
    setUInt32(doc, header, "ObjectModelVersion", 1);
    setAuid(doc, header, "OperationalPattern", kEditProtocol);
    return header;
  }
};

}  // namespace

ObjectId buildSessionDocument(const Session& session, Document& doc, WriteStats& stats) {
  size_t clips = 0;
  for (const Track& t : session.tracks) clips += t.clips.size();
  // About a dozen objects a clip: growing the list as it fills copies every object.
  doc.objects.reserve(doc.objects.size() + clips * 14 + 256);
  Builder b{doc, session, stats, 0, {}};
  return b.build();
}

std::string fileUrl(const std::string& absolutePath) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  url.reserve(url.size() + absolutePath.size() + 16);
  for (char ch : absolutePath) {
    const auto c = static_cast<unsigned char>(ch);
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '_' || c == '.' || c == '~' || c == '/';
    if (plain) {
      url.push_back(ch);
    } else {
      url.push_back('%');
      url.push_back(kHex[c >> 4]);
      url.push_back(kHex[c & 0xF]);
    }
  }
  return url;
}

}  // namespace vn::aaf
