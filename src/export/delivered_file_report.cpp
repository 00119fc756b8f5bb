#include "export/delivered_file_report.h"

#include <cinttypes>
#include <cmath>

#include "core/json_writer.h"
#include "core/timecode.h"
#include "platform/text.h"

namespace vn {
namespace {

std::string hex16(uint64_t value) { return format("%016" PRIx64, value); }

std::string seconds(double s) { return format("%.3f s", s); }

void bextLines(const DeliveredFileReport& r, std::vector<std::string>& out) {
  if (!r.bext) {
    out.push_back("bext: none");
    return;
  }
  const BextFields& b = *r.bext;
  out.push_back(format("bext (version %d):", b.version));
  out.push_back("  Description:          " + b.description);
  out.push_back("  Originator:           " + b.originator);
  out.push_back("  Originator reference: " + b.originatorReference);
  out.push_back("  Origination:          " + b.originationDate + " " + b.originationTime);
  const double at = r.sampleRate > 0 ? static_cast<double>(b.timeReference) / r.sampleRate : 0.0;
  out.push_back(format("  Time reference:       %" PRIu64 " samples = %s = %s at %g fps", b.timeReference,
                       seconds(at).c_str(), r.timeReferenceTimecode.c_str(), r.fps));
  std::string history = b.codingHistory;
  while (!history.empty() && (history.back() == '\n' || history.back() == '\r')) history.pop_back();
  out.push_back("  Coding history:       " + history);
}

void ixmlLines(const DeliveredFileReport& r, std::vector<std::string>& out) {
  if (r.ixmlRefused) {
    out.push_back(format("iXML: %" PRIu64 " bytes, over the 1 MiB read cap - not read", r.ixmlBytes));
    return;
  }
  if (r.ixmlBytes == 0) {
    out.push_back("iXML: none");
    return;
  }
  out.push_back(format("iXML: %" PRIu64 " bytes", r.ixmlBytes));
  for (const auto& [name, value] : r.userFields) out.push_back("  " + name + ": " + value);
}

void recipeLines(const DeliveredFileReport& r, std::vector<std::string>& out) {
  const auto& events = r.payloads.recipeEvents;
  out.push_back(format("Recipe: %zu event%s", events.size(), plural(static_cast<int64_t>(events.size()))));
  for (const Event& e : events)
    out.push_back(format("  %s  %-8s %s", formatTimecode(e.time, r.fps).c_str(), shapeName(e.shape), e.keywords.c_str()));
}

void manifestLines(const DeliveredFileReport& r, std::vector<std::string>& out) {
  const ManifestRecord& m = *r.payloads.manifest;
  out.push_back(format("Manifest: version %d, Varnel %s, t0 %s%s%s", m.version, m.appVersion.c_str(),
                       seconds(m.t0).c_str(), m.printId.empty() ? "" : ", print ", m.printId.c_str()));
  out.push_back(format("  Layers (%zu):", m.results.size()));
  for (const Layer& l : m.results)
    out.push_back(format("    %s  %s  at %s  offset %s  gain %+.1f dB", l.name.c_str(), l.filepath.c_str(),
                         seconds(l.startTime).c_str(), seconds(l.sourceOffset).c_str(), layerGainDb(l)));
  out.push_back(format("  Files (%zu):", r.fileRefs.size()));
  for (const LocatedFileRef& f : r.fileRefs) {
    std::string line = format("    %-7s  %s  %s", f.found ? "found" : "missing", f.ref.id.c_str(), f.ref.path.c_str());
    if (f.found && f.foundPath != f.ref.path) line += "  -> " + f.foundPath + " (by " + f.foundBy + ")";
    out.push_back(line);
  }
}

void writeBext(JsonWriter& w, const DeliveredFileReport& r) {
  const BextFields& b = *r.bext;
  w.key("bext");
  w.beginObject();
  w.keyString("description", b.description);
  w.keyString("originator", b.originator);
  w.keyString("originatorReference", b.originatorReference);
  w.keyString("originationDate", b.originationDate);
  w.keyString("originationTime", b.originationTime);
  w.keyString("timeReference", std::to_string(b.timeReference));
  w.keyString("timeReferenceTimecode", r.timeReferenceTimecode);
  w.keyInt("version", b.version);
  w.keyString("codingHistory", b.codingHistory);
  w.endObject();
}

void writeIxml(JsonWriter& w, const DeliveredFileReport& r) {
  w.key("ixml");
  w.beginObject();
  w.keyString("bytes", std::to_string(r.ixmlBytes));
  w.keyBool("refused", r.ixmlRefused);
  w.key("user");
  w.beginObject();
  for (const auto& [name, value] : r.userFields) w.keyString(name, value);
  w.endObject();
  w.endObject();
}

void writeRecipe(JsonWriter& w, const DeliveredFileReport& r) {
  w.key("recipe");
  w.beginArray();
  for (const Event& e : r.payloads.recipeEvents) {
    w.beginObject();
    w.keyFloat("time", e.time);
    w.keyString("timecode", formatTimecode(e.time, r.fps));
    w.keyString("shape", shapeName(e.shape));
    w.keyString("keywords", e.keywords);
    w.endObject();
  }
  w.endArray();
}

void writeManifest(JsonWriter& w, const DeliveredFileReport& r) {
  const ManifestRecord& m = *r.payloads.manifest;
  w.key("manifest");
  w.beginObject();
  w.keyInt("version", m.version);
  w.keyString("appVersion", m.appVersion);
  w.keyString("printId", m.printId);
  w.keyFloat("t0", m.t0);
  w.keyInt("events", static_cast<long long>(m.events.size()));
  w.key("layers");
  w.beginArray();
  for (const Layer& l : m.results) {
    w.beginObject();
    w.keyString("name", l.name);
    w.keyString("file", l.filepath);
    w.keyString("fileId", l.fileId);
    w.keyFloat("start", l.startTime);
    w.keyFloat("offset", l.sourceOffset);
    w.keyFloat("gainDb", layerGainDb(l));
    w.endObject();
  }
  w.endArray();
  w.key("fileRefs");
  w.beginArray();
  for (const LocatedFileRef& f : r.fileRefs) {
    w.beginObject();
    w.keyString("id", f.ref.id);
    w.keyString("path", f.ref.path);
    w.keyString("size", std::to_string(f.ref.size));
    w.keyString("hash", hex16(f.ref.hash));
    w.keyBool("found", f.found);
    if (f.found) {
      w.keyString("foundPath", f.foundPath);
      w.keyString("foundBy", f.foundBy);
    }
    w.endObject();
  }
  w.endArray();
  w.endObject();
}

}  // namespace

double layerGainDb(const Layer& l) {
  const double gain = static_cast<double>(l.layerGain) * l.userVolume * l.normGain;
  return gain > 1e-10 ? 20.0 * std::log10(gain) : -200.0;
}

std::vector<std::string> deliveredFileLines(const DeliveredFileReport& r) {
  std::vector<std::string> out;
  out.push_back(r.path);
  out.push_back(format("Format: %s, %s, %d Hz", r.container.c_str(), r.encoding.c_str(), r.sampleRate));
  std::string channels = format("Channels: %d, %s", r.channels, r.layout.c_str());
  if (!r.channelNames.empty()) channels += " (" + r.channelNames + ")";
  if (r.channelMask) channels += format(", mask 0x%X", *r.channelMask);
  out.push_back(channels);
  out.push_back(format("Length: %" PRId64 " frames, %s", r.frames, seconds(r.seconds).c_str()));
  bextLines(r, out);
  ixmlLines(r, out);
  if (!r.printToken.empty() || !r.printRef.empty())
    out.push_back("Print: " + (r.printToken.empty() ? std::string("-") : r.printToken) +
                  (r.printRef.empty() ? "" : "  " + r.printRef));
  if (!r.hasPayloads()) {
    out.push_back(kNoPayloadsNote);
    return out;
  }
  if (r.payloads.hasRecipe) recipeLines(r, out);
  if (r.payloads.manifest) manifestLines(r, out);
  return out;
}

std::string deliveredFileJson(const DeliveredFileReport& r) {
  JsonWriter w;
  w.beginObject();
  w.keyString("path", r.path);
  w.keyString("container", r.container);
  w.keyString("encoding", r.encoding);
  w.keyBool("extensible", r.extensible);
  w.keyInt("sampleRate", r.sampleRate);
  w.keyInt("channels", r.channels);
  w.keyString("layout", r.layout);
  w.keyString("channelNames", r.channelNames);
  if (r.channelMask) w.keyInt("channelMask", *r.channelMask);
  w.keyString("frames", std::to_string(r.frames));
  w.keyFloat("seconds", r.seconds, 10);
  w.keyFloat("fps", r.fps);
  if (r.bext) writeBext(w, r);
  writeIxml(w, r);
  w.keyString("printToken", r.printToken);
  w.keyString("printRef", r.printRef);
  if (r.payloads.hasRecipe) writeRecipe(w, r);
  if (r.payloads.manifest) writeManifest(w, r);
  if (!r.hasPayloads()) w.keyString("note", kNoPayloadsNote);
  w.endObject();
  return w.take();
}

}  // namespace vn
