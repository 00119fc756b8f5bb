#include "export/aaf/aaf_reader.h"

#include <cstring>
#include <fstream>
#include <map>
#include <unordered_map>

#include "export/aaf/aaf_ids.h"
#include "export/aaf/cfb_format.h"
#include "export/aaf/cfb_reader.h"
#include "platform/text.h"

namespace vn::aaf {
namespace {

constexpr size_t kMaxObjects = 2000000;
constexpr int kMaxDepth = 64;

struct Value {
  uint16_t form = 0;
  std::string bytes;
};

struct Obj {
  uint32_t dir = 0;
  std::string clsid;  // auid text
  std::map<uint16_t, Value> props;
};

uint16_t u16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}
uint32_t u32(const std::string& b, size_t at) { return u16(b, at) | (uint32_t(u16(b, at + 2)) << 16); }
uint64_t u64(const std::string& b, size_t at) { return u32(b, at) | (uint64_t(u32(b, at + 4)) << 32); }

std::string utf16ToUtf8(const std::string& b) {
  std::string out;
  for (size_t i = 0; i + 1 < b.size(); i += 2) {
    uint32_t c = u16(b, i);
    if (c == 0) break;
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < b.size()) {
      const uint32_t lo = u16(b, i + 2);
      if (lo >= 0xDC00 && lo < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
        i += 2;
      }
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

struct Reader {
  explicit Reader(const cfb::File& f) : file(f) {}
  const cfb::File& file;
  std::string error;
  size_t objectsRead = 0;
  std::unordered_map<std::string, Obj> mobs;  // by MobID bytes

  bool fail(const std::string& why) {
    if (error.empty()) error = why;
    return false;
  }

  bool readObject(uint32_t dir, Obj& obj) {
    if (++objectsRead > kMaxObjects) return fail("the AAF file holds too many objects");
    obj = Obj{};
    obj.dir = dir;
    const auto& e = file.entries[dir];
    obj.clsid = auidToText(e.clsid);
    auto stream = cfb::findChild(file, dir, "properties");
    if (!stream) return fail("an AAF object has no properties");
    std::string b, why;
    if (!cfb::readStream(file, *stream, b, why)) return fail(why);
    if (b.size() < 4 || static_cast<unsigned char>(b[0]) != 0x4C) return fail("an AAF property stream is damaged");
    const size_t count = u16(b, 2);
    size_t data = 4 + count * 6;
    if (data > b.size()) return fail("an AAF property stream is cut short");
    for (size_t i = 0; i < count; ++i) {
      const uint16_t pid = u16(b, 4 + i * 6), form = u16(b, 6 + i * 6), size = u16(b, 8 + i * 6);
      if (data + size > b.size()) return fail("an AAF property runs past its stream");
      obj.props[pid] = Value{form, b.substr(data, size)};
      data += size;
    }
    return true;
  }

  const Value* prop(const Obj& o, uint16_t pid) const {
    auto it = o.props.find(pid);
    return it == o.props.end() ? nullptr : &it->second;
  }
  int64_t i64(const Obj& o, uint16_t pid, int64_t fallback = 0) const {
    const Value* v = prop(o, pid);
    return v && v->bytes.size() >= 8 ? static_cast<int64_t>(u64(v->bytes, 0)) : fallback;
  }
  uint32_t u32of(const Obj& o, uint16_t pid, uint32_t fallback = 0) const {
    const Value* v = prop(o, pid);
    return v && v->bytes.size() >= 4 ? u32(v->bytes, 0) : fallback;
  }
  std::string str(const Obj& o, uint16_t pid) const {
    const Value* v = prop(o, pid);
    return v ? utf16ToUtf8(v->bytes) : std::string();
  }

  bool strongRef(const Obj& o, uint16_t pid, Obj& out, int depth) {
    if (depth > kMaxDepth) return fail("the AAF object tree is too deep");
    const Value* v = prop(o, pid);
    if (!v || v->form != 0x22) return fail(format("an AAF object lacks its reference %04x", pid));
    auto child = cfb::findChild(file, o.dir, utf16ToUtf8(v->bytes));
    if (!child) return fail("an AAF strong reference names no storage");
    return readObject(*child, out);
  }

  // Elements of a strong-reference vector or set, in index order.
  bool collection(const Obj& o, uint16_t pid, std::vector<Obj>& out, int depth) {
    out.clear();
    if (depth > kMaxDepth) return fail("the AAF object tree is too deep");
    const Value* v = prop(o, pid);
    if (!v) return true;
    if (v->form != 0x32 && v->form != 0x3A) return fail("an AAF collection has an unknown form");
    const std::string name = utf16ToUtf8(v->bytes);
    auto index = cfb::findChild(file, o.dir, name + " index");
    if (!index) return fail("an AAF collection has no index");
    std::string b, why;
    if (!cfb::readStream(file, *index, b, why)) return fail(why);
    if (b.size() < 12) return fail("an AAF collection index is cut short");
    const uint32_t count = u32(b, 0);
    size_t at = 12, stride = 4, keyAt = 0;
    if (v->form == 0x3A) {
      if (b.size() < 15) return fail("an AAF set index is cut short");
      const size_t keySize = static_cast<unsigned char>(b[14]);
      at = 15;
      stride = 8 + keySize;
      keyAt = 0;
    }
    if (count > (b.size() - at) / stride) return fail("an AAF collection index declares more elements than it holds");
    out.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t local = u32(b, at + i * stride + keyAt);
      auto child = cfb::findChild(file, o.dir, format("%s{%x}", name.c_str(), local));
      if (!child) return fail("an AAF collection element is missing");
      Obj element;
      if (!readObject(*child, element)) return false;
      out.push_back(std::move(element));
    }
    return true;
  }
};

const char* kCompositionMob = "0d010101-0101-3500-060e-2b3402060101";
const char* kTimelineSlot = "0d010101-0101-3b00-060e-2b3402060101";
const char* kEventSlot = "0d010101-0101-3900-060e-2b3402060101";
const char* kSequence = "0d010101-0101-0f00-060e-2b3402060101";
const char* kTimecode = "0d010101-0101-1400-060e-2b3402060101";
const char* kSourceClip = "0d010101-0101-1100-060e-2b3402060101";
const char* kFiller = "0d010101-0101-0900-060e-2b3402060101";
const char* kOperationGroup = "0d010101-0101-0a00-060e-2b3402060101";
const char* kTransition = "0d010101-0101-1700-060e-2b3402060101";
const char* kConstantValue = "0d010101-0101-3d00-060e-2b3402060101";
const char* kNetworkLocator = "0d010101-0101-3200-060e-2b3402060101";

double indirectRationalValue(const std::string& b) {
  // 0x4C, the type's AUID, then numerator and denominator.
  if (b.size() < 25) return 0.0;
  const auto num = static_cast<int32_t>(u32(b, 17)), den = static_cast<int32_t>(u32(b, 21));
  return den ? static_cast<double>(num) / den : 0.0;
}

struct SessionReader : Reader {
  using Reader::Reader;
  ReadSession session;

  // The locator of the file a master mob's slot leads to.
  std::string locate(std::string mobId, uint32_t slotId) {
    for (int hop = 0; hop < 4; ++hop) {
      auto it = mobs.find(mobId);
      if (it == mobs.end()) return {};
      Obj descriptor;
      if (prop(it->second, 0x4701)) {
        if (!strongRef(it->second, 0x4701, descriptor, 1)) return {};
        std::vector<Obj> locators;
        if (!collection(descriptor, 0x2F01, locators, 2)) return {};
        for (const Obj& l : locators)
          if (l.clsid == kNetworkLocator) return str(l, 0x4001);
        return {};
      }
      std::vector<Obj> slots;
      if (!collection(it->second, 0x4403, slots, 1)) return {};
      const Obj* slot = nullptr;
      for (const Obj& s : slots)
        if (u32of(s, 0x4801) == slotId) slot = &s;
      if (!slot) return {};
      Obj segment;
      if (!strongRef(*slot, 0x4803, segment, 2) || segment.clsid != kSourceClip) return {};
      const Value* source = prop(segment, 0x1101);
      if (!source) return {};
      mobId = source->bytes;
      slotId = u32of(segment, 0x1102);
    }
    return {};
  }

  ReadClip clipOf(const Obj& sourceClip, int64_t position, int channels) {
    ReadClip c;
    c.position = position;
    c.length = i64(sourceClip, 0x0202);
    c.sourceOffset = i64(sourceClip, 0x1201);
    c.channels = channels;
    c.fadeIn = i64(sourceClip, 0x1202);
    c.fadeOut = i64(sourceClip, 0x1204);
    if (const Value* id = prop(sourceClip, 0x1101)) {
      auto it = mobs.find(id->bytes);
      if (it != mobs.end()) c.name = str(it->second, 0x4402);
      c.sourceUrl = locate(id->bytes, u32of(sourceClip, 0x1102));
    }
    return c;
  }

  // A clip, a gain group around one, or a channel combiner; false when the
  // component is none of them.
  bool component(const Obj& o, int64_t position, ReadTrack& track, int depth) {
    if (o.clsid == kSourceClip) {
      track.clips.push_back(clipOf(o, position, 1));
      return true;
    }
    if (o.clsid != kOperationGroup || depth > 8) return false;
    std::vector<Obj> inputs, parameters;
    if (!collection(o, 0x0B02, inputs, depth) || !collection(o, 0x0B03, parameters, depth) || inputs.empty())
      return false;
    if (parameters.empty() && inputs.size() >= 1 && inputs[0].clsid == kSourceClip && inputs.size() > 1) {
      track.clips.push_back(clipOf(inputs[0], position, static_cast<int>(inputs.size())));
      return true;
    }
    const size_t before = track.clips.size();
    if (!component(inputs[0], position, track, depth + 1) || track.clips.size() != before + 1) return false;
    if (inputs.size() > 1) track.clips.back().channels = static_cast<int>(inputs.size());
    for (const Obj& p : parameters) {
      if (p.clsid == kConstantValue) {
        if (const Value* v = prop(p, 0x4D01)) track.clips.back().gain = indirectRationalValue(v->bytes);
      } else {
        std::vector<Obj> points;
        if (!collection(p, 0x4E02, points, depth + 1)) return false;
        track.clips.back().gainAutomation = true;
        if (!points.empty())
          if (const Value* v = prop(points.front(), 0x1A02)) track.clips.back().gain = indirectRationalValue(v->bytes);
      }
    }
    return true;
  }

  bool readComposition(const Obj& comp) {
    session.compositionName = str(comp, 0x4402);
    std::vector<Obj> slots;
    if (!collection(comp, 0x4403, slots, 1)) return false;
    for (const Obj& slot : slots) {
      Obj segment;
      if (!strongRef(slot, 0x4803, segment, 2)) return false;
      if (segment.clsid == kTimecode) {
        session.timecodeStart = i64(segment, 0x1501);
        const Value* fps = prop(segment, 0x1502);
        session.timecodeRate = fps && fps->bytes.size() >= 2 ? u16(fps->bytes, 0) : 0;
        continue;
      }
      if (segment.clsid != kSequence) continue;
      std::vector<Obj> components;
      if (!collection(segment, 0x1001, components, 3)) return false;
      if (slot.clsid == kEventSlot) {
        for (const Obj& m : components) session.markers.push_back({i64(m, 0x0601), str(m, 0x0602)});
        continue;
      }
      if (slot.clsid != kTimelineSlot) continue;
      ReadTrack track;
      track.name = str(slot, 0x4802);
      const Value* rate = prop(slot, 0x4B01);
      if (rate && rate->bytes.size() >= 8 && u32(rate->bytes, 4) != 0)
        track.editRate = static_cast<int>(static_cast<int32_t>(u32(rate->bytes, 0)) / static_cast<int32_t>(u32(rate->bytes, 4)));
      track.physicalNumber = static_cast<int>(u32of(slot, 0x4804));
      int64_t position = 0, dissolve = 0;
      for (const Obj& c : components) {
        const int64_t length = i64(c, 0x0202);
        if (c.clsid == kTransition) {
          position -= length;  // a transition overlaps its neighbours
          dissolve = length;
          continue;
        }
        const size_t before = track.clips.size();
        if (c.clsid != kFiller && !component(c, position, track, 4) && !error.empty()) return false;
        if (track.clips.size() > before) track.clips.back().crossfade = dissolve;
        dissolve = 0;
        position += length;
      }
      session.tracks.push_back(std::move(track));
    }
    return true;
  }
};

}  // namespace

std::optional<ReadSession> readSessionBytes(std::string bytes, std::string& error) {
  auto file = cfb::openCompoundFile(std::move(bytes), error);
  if (!file) return std::nullopt;
  SessionReader r(*file);
  Obj root, header, content, identification;
  std::vector<Obj> mobs, idents;
  auto headerDir = cfb::findChild(*file, 0, "Header-2");
  bool ok = headerDir && r.readObject(*headerDir, header) && r.strongRef(header, 0x3B03, content, 1) &&
            r.collection(content, 0x1901, mobs, 2);
  if (!headerDir) r.fail("the file has no AAF header");
  if (ok && r.collection(header, 0x3B06, idents, 1) && !idents.empty())
    r.session.product = r.str(idents.back(), 0x3C02) + " " + r.str(idents.back(), 0x3C04);
  const Obj* composition = nullptr;
  if (ok) {
    for (Obj& m : mobs)
      if (const Value* id = r.prop(m, 0x4401)) r.mobs[id->bytes] = m;
    for (const Obj& m : mobs)
      if (m.clsid == kCompositionMob) composition = &m;
    if (!composition) ok = r.fail("the AAF file has no composition");
  }
  if (ok) ok = r.readComposition(*composition);
  if (!ok) {
    error = r.error.empty() ? "the AAF file is damaged" : r.error;
    return std::nullopt;
  }
  return r.session;
}

std::optional<ReadSession> readSessionFile(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "the file cannot be opened";
    return std::nullopt;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return readSessionBytes(std::move(bytes), error);
}

bool looksLikeAaf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[8] = {};
  in.read(head, 8);
  return in.gcount() == 8 && std::memcmp(head, cfb::kSignature, 8) == 0;
}

}  // namespace vn::aaf
