#include "export/bounce_render.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "core/recipe_io.h"
#include "export/export_names.h"
#include "export/ixml_document.h"
#include "export/payload_embed.h"
#include "export/payload_find.h"
#include "export/render_to_file.h"
#include "ledger/record_print.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace vn {
namespace {

// Room after the last sound for its fade to finish.
constexpr float kTailSeconds = 0.25f;

struct Span {
  float start = 0.0f;
  float end = 0.0f;
};

Span spanOf(const Session& session, const std::vector<int>& events) {
  Span span{1e30f, -1e30f};
  for (int e : events) {
    const Event& ev = session.events[static_cast<size_t>(e)];
    span.start = std::min(span.start, ev.time);
    span.end = std::max(span.end, ev.time + ev.duration);
  }
  for (const Layer& l : session.results)
    if (std::find(events.begin(), events.end(), l.eventIdx) != events.end()) {
      span.start = std::min(span.start, l.startTime);
      span.end = std::max(span.end, l.startTime + l.duration);
    }
  span.start = std::max(0.0f, span.start);
  return span;
}

// The events alone from the start of their span, dry, with their layers.
Session bounceSession(const Session& session, const std::vector<int>& events, Span span) {
  Session out;
  out.settings = session.settings;
  out.trackLayout = session.trackLayout;
  out.reverb = session.reverb;
  out.reverb.enabled = false;  // the Clip goes through the mix and its reverb again
  out.settings.startTC = session.settings.startTC + span.start;
  out.settings.totalDuration = span.end - span.start + kTailSeconds;
  for (int e : events) {
    Event ev = session.events[static_cast<size_t>(e)];
    ev.time -= span.start;
    out.events.push_back(std::move(ev));
  }
  for (const Layer& l : session.results) {
    const auto at = std::find(events.begin(), events.end(), l.eventIdx);
    if (at == events.end()) continue;
    Layer moved = l;
    moved.eventIdx = static_cast<int>(at - events.begin());
    moved.startTime -= span.start;
    out.results.push_back(std::move(moved));
  }
  return out;
}

std::string keywordsOf(const std::vector<Event>& events) {
  std::set<std::string> seen;
  std::string out;
  for (const Event& e : events) {
    size_t at = 0;
    while (at < e.keywords.size()) {
      const size_t end = std::min(e.keywords.find(' ', at), e.keywords.size());
      const std::string word = e.keywords.substr(at, end - at);
      if (!word.empty() && seen.insert(word).second) out += (out.empty() ? "" : " ") + word;
      at = end + 1;
    }
  }
  return out;
}

}  // namespace

BounceRender renderBounce(const Session& session, const std::vector<int>& events, const std::string& folder,
                          const std::atomic<bool>* cancel) {
  BounceRender out;
  std::vector<int> chosen;
  for (int e : events)
    if (e >= 0 && e < static_cast<int>(session.events.size())) chosen.push_back(e);
  std::sort(chosen.begin(), chosen.end());
  chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
  if (chosen.empty()) {
    out.error = "Select the events to bounce first.";
    return out;
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!std::filesystem::is_directory(folder, ec)) {
    out.error = "The bounce folder " + folder + " could not be made.";
    return out;
  }
  const Span span = spanOf(session, chosen);
  Session bounce = bounceSession(session, chosen, span);
  const std::string name = "Bounce of " + defaultRecipeName(bounce.events[0]);
  FolderNames names;
  RenderFileRequest request;
  request.output = folder + "/" + uniqueFileName(names, folder, safeFileName(name), ".wav");
  request.description = format("Bounce of %zu event%s", chosen.size(), plural(static_cast<int64_t>(chosen.size())));
  IxmlUserFields fields;
  fields.description = request.description;
  fields.keywords = keywordsOf(bounce.events);
  request.ixmlHost = embedRecipe(fullIxmlDocument(fields), bounce.events);
  request.print = NewPrintIdentity();
  request.printKind = "bounce";
  RenderFileResult result;
  RenderFileWatch watch;
  watch.cancelled = [cancel] { return cancel && cancel->load(); };
  if (!renderSessionToFiles(bounce, request, result, out.error, watch)) return out;

  ExportedFile file;
  file.path = request.output;
  file.kind = "bounce";
  file.print = request.print;
  file.sampleRate = bounce.settings.projectSampleRate;
  file.channels = 2;
  file.channelLayout = "stereo";
  file.startSeconds = span.start;
  file.frames = static_cast<int64_t>(result.seconds * file.sampleRate + 0.5);
  ExportPrintJob job;
  job.session = &bounce;
  job.outputFolder = folder;
  job.exportName = stemOf(request.output);
  RecordExportPrints({file}, job);

  out.ok = true;
  out.path = request.output;
  out.start = span.start;
  out.duration = static_cast<float>(result.seconds);
  return out;
}

std::vector<Layer> bouncedLayers(const std::string& path, float start) {
  const auto payloads = FindPayloads(path);
  if (!payloads || !payloads->manifest) return {};
  std::vector<Layer> layers = payloads->manifest->results;
  for (Layer& l : layers) l.startTime += start;
  return layers;
}

}  // namespace vn
