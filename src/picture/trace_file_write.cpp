// Writing the trace file: fixed member order and number formats, one frame row
// and one event per line.
#include <algorithm>
#include <cmath>

#include "picture/trace_file.h"
#include "platform/atomic_write.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

// printf would write "nan" or "inf", which no JSON reader accepts.
double finite(float v) { return std::isfinite(v) ? v : 0.0; }

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string frameRow(const FrameMeasures& f) {
  return format("[%.3f,%.4f,%.4f,%.4f,%.4f,%.3f,%.3f,%.3f,%.4f,%.4f,%.5f,%.5f,%.5f,%.4f,%.4f,%.3f,%.3f]", finite(f.time),
                finite(f.brightness), finite(f.motion), finite(f.cameraMotion), finite(f.foregroundMass),
                finite(f.panX), finite(f.panY), finite(f.spatialSpread), finite(f.impact), finite(f.flow),
                finite(f.composite), finite(f.adaptiveThr), finite(f.accentThr), finite(f.localMotionPeak),
                finite(f.histogramDiff), finite(f.colorTemp), finite(f.saturation));
}

// The frame values around an event: maxima over five frames, the rest from the
// frame that holds the largest composite.
std::string eventObj(const TraceAnalyzer& a, float time) {
  const int n = static_cast<int>(a.frames.size());
  float composite = 0.0f, mass = 0.0f, impact = 0.0f, histDiff = 0.0f, delta = 0.0f;
  FrameMeasures p;  // all zero without frames
  if (a.analysisFps > 0.0f && n > 0) {
    const int c = FrameIndexAt(static_cast<double>(time) * a.analysisFps + 0.5, n);
    int peak = c;
    for (int j = std::max(0, c - 2); j <= std::min(n - 1, c + 2); ++j) {
      const FrameMeasures& f = a.frames[j];
      if (f.composite > composite) {
        composite = f.composite;
        peak = j;
      }
      mass = std::max(mass, f.foregroundMass);
      impact = std::max(impact, f.impact);
      histDiff = std::max(histDiff, f.histogramDiff);
      delta = std::max(delta, std::fabs(f.brightnessDelta));
    }
    p = a.frames[peak];
  }
  return format(
      "{ \"composite\": %.5f, \"adaptiveThr\": %.5f, \"accentThr\": %.5f, \"foregroundMass\": %.3f, \"impact\": %.4f, "
      "\"brightnessDelta\": %.4f, \"histDiff\": %.4f, \"flow\": %.4f, \"cameraMotion\": %.3f, \"spatialSpread\": %.3f, "
      "\"brightness\": %.3f, \"localMotionPeak\": %.4f, \"panX\": %.3f }",
      finite(composite), finite(p.adaptiveThr), finite(p.accentThr), finite(mass), finite(impact), finite(delta),
      finite(histDiff), finite(p.flow), finite(p.cameraMotion), finite(p.spatialSpread), finite(p.brightness),
      finite(p.localMotionPeak), finite(p.panX));
}

const char* typeName(int type) {
  if (type == kTraceSpot) return "Spot";
  if (type == kTraceCluster) return "Cluster";
  return "Fill";
}

}  // namespace

TraceSource MakeTraceSource(const std::string& videoPath, const VideoPlayer& player, float fps, float startTC) {
  TraceSource source;
  source.path = videoPath;
  source.appVersion = programVersion();
  source.sourceFps = fps;
  source.tcStartSec = startTC + player.offset;
  source.width = player.width;
  source.height = player.height;
  return source;
}

std::string TraceTimecode(float time, float tcStartSec, float sourceFps) {
  // Damaged rates and times are held to sizes a timecode can show.
  const double sum = static_cast<double>(tcStartSec) + time;
  const double t = sum > 0.0 ? std::min(sum, 1e9) : 0.0;  // also NaN
  const double rate = std::isfinite(sourceFps) ? std::min(static_cast<double>(sourceFps), 1e6) : 0.0;
  long long base = 30, total = 0;
  if (rate < 1.0) {
    total = static_cast<long long>(30.0 * t + 0.5);
  } else {
    base = std::max(1LL, static_cast<long long>(rate + 0.5));
    total = static_cast<long long>(rate * t + 0.5);
  }
  const long long s = total / base;
  return format("%02lld:%02lld:%02lld:%02lld", s / 3600, (s / 60) % 60, s % 60, total % base);
}

std::string FormatTraceFile(const TraceAnalyzer& a, const TraceParams& params, const TraceSource& source) {
  const float sourceFps = source.sourceFps > 0.0f ? source.sourceFps : 25.0f;
  std::string out = "{\n  \"vntrace_version\": 1,\n  \"note\": \"work-in-progress internal format\",\n";
  out += "  \"source\": { \"path\": " + jsonString(source.path) + ", \"appVersion\": " + jsonString(source.appVersion) +
         format(", \"sourceFps\": %.4f, \"tcStartSec\": %.4f, \"width\": %d, \"height\": %d },\n", finite(sourceFps),
                finite(source.tcStartSec), source.width, source.height);
  out += format("  \"analysis\": { \"analysisFps\": %.4f, \"durationSec\": %.4f, \"numFrames\": %d, \"maxComposite\": %.6f },\n",
                finite(a.analysisFps), finite(a.durationSec), a.numFrames, finite(a.maxComposite));
  out += format("  \"params\": { \"sensitivity\": %.4f, \"minEventGap\": %.4f, \"adaptiveWindowSec\": %.4f },\n",
                finite(params.sensitivity), finite(params.minEventGap), finite(params.adaptiveWindowSec));
  out += "  \"frame_columns\": [\"time\",\"brightness\",\"motion\",\"cameraMotion\",\"foregroundMass\",\"panX\",\"panY\","
         "\"spatialSpread\",\"impact\",\"flow\",\"composite\",\"adaptiveThr\",\"accentThr\",\"localMotionPeak\","
         "\"histogramDiff\",\"colorTemp\",\"saturation\"],\n";
  out += "  \"frames\": [";
  for (size_t i = 0; i < a.frames.size(); ++i) out += (i ? ",\n    " : "\n    ") + frameRow(a.frames[i]);
  out += "\n  ],\n  \"events\": [";
  for (size_t i = 0; i < a.events.size(); ++i) {
    const TraceEvent& e = a.events[i];
    out += i ? ",\n    " : "\n    ";
    out += format("{ \"id\": %d, \"time\": %.3f, \"timecode\": \"%s\", \"layer\": \"%s\", \"type\": \"%s\", "
                  "\"depthSalience\": %.3f, \"intensity\": %.3f, \"confidence\": %.3f, \"duration\": %.3f, "
                  "\"shotIndex\": %d, \"obj\": ",
                  static_cast<int>(i), finite(e.time), TraceTimecode(e.time, source.tcStartSec, sourceFps).c_str(),
                  e.layer == kLayerBackground ? "BG" : "FG", typeName(e.type), finite(e.depthSalience),
                  finite(e.intensity), finite(e.confidence), finite(e.suggestedDuration), e.shotIndex);
    out += eventObj(a, e.time);
    out += ", \"annotation\": { \"user_layer\": \"\", \"user_action\": \"\", \"note\": \"\" } }";
  }
  out += "\n  ]\n}\n";
  return out;
}

bool WriteTraceFile(const std::string& path, const TraceAnalyzer& analyzer, const TraceParams& params,
                    const TraceSource& source) {
  return writeFileAtomic(path, FormatTraceFile(analyzer, params, source)).ok;
}

std::string TraceFilePath(const std::string& projectPath, const std::string& videoPath) {
  const std::string folder = projectPath.empty() ? pathJoin(appDataFolder(), "Traces") : parentFolder(projectPath);
  return pathJoin(folder, stemOf(videoPath) + "_trace.vntrace");
}

}  // namespace vn
