#include "sample_session.h"

namespace vn::test {

Event everyEventFieldSet() {
  Event e;
  e.time = 12.25f;
  e.duration = 3.5f;
  e.spread = 0.45f;
  e.weightCenter = 0.7f;
  e.intensityScale = 1.5f;
  e.weightOffset = 0.1f;
  e.syncOffset = 0.02f;
  e.shape = ShapeType::Clip;
  e.userShapeIdx = 1;
  e.locked = true;
  e.muted = true;
  e.fmtOverride = 0;
  e.hero = true;
  e.gain = 0.8f;
  e.alloy = true;
  e.alloyMorph = 0.4f;
  e.pitchVariation = 0.3f;
  e.scaleTuneOverride = 2;
  e.reverbSend = 0.25f;
  e.fillLayers = 6;
  e.groupOverride = 2;
  e.panManual = true;
  e.panX = -0.5f;
  e.panY = 0.25f;
  e.panZ = 0.75f;
  e.sceneLink = 1;
  e.sceneCrossfade = 12;
  e.sceneFill = true;
  e.keywords = "door slam \"heavy\"";
  e.hasPinned = true;
  e.pinnedFile = "/lib/door.wav";
  e.pinnedFileId = "0123456789abcdef";
  e.exactLayers = true;
  e.pinnedFiles = {"/lib/door.wav", "/lib/creak.wav"};
  e.pinnedFileIds = {"0123456789abcdef", "fedcba9876543210"};
  e.bedLayerLoop = {true, false};
  e.bedLayerWeight = {0.5f, 1.25f};
  e.clipWeight = 0.9f;
  e.clipSourceOffset = 0.5f;
  e.clipSourceDuration = 2.0f;
  e.clipFadeIn = 0.05f;
  e.clipFadeOut = 0.2f;
  e.clipPitchRate = 0.5f;
  e.clipReverse = true;
  e.folder = "Doors";
  e.libFilter = "Foley";
  e.presetName = "Heavy door";
  e.intensityMode = 2;
  for (int i = 0; i < kCurvePoints; ++i) {
    e.weight[i] = i / 255.0f;
    e.intensity[i] = 1.0f - i / 255.0f;
    e.traceGain[i] = (i % 7) / 7.0f;
  }
  e.hasTraceGain = true;
  Event inner;
  inner.time = 1.0f;
  inner.keywords = "inner";
  e.bounceSource = {inner, inner};
  return e;
}

Layer everyLayerFieldSet(int procMode) {
  Layer l;
  l.name = "Door slam";
  l.filepath = "/lib/door.wav";
  l.fileId = "0123456789abcdef";
  l.sourceOffset = 0.25f;
  l.sourceDuration = 1.75f;
  l.startTime = 12.5f;
  l.duration = 1.5f;
  l.weight = 0.6f;
  l.eventIdx = 0;
  l.track = 3;
  l.group = 1;
  l.groupTrack = 2;
  l.procMode = procMode;
  l.fadeIn = 0.02f;
  l.fadeOut = 0.1f;
  l.audioSyncOffset = 0.03f;
  l.fmt = 1;
  l.srcFmt = 0;
  l.muted = true;
  l.foldPin = 2;
  l.fillLoop = true;
  l.layerGain = 0.7f;
  l.userVolume = 1.4f;
  l.normGain = 0.5f;
  l.pitchShift = -2.5f;
  l.pitchVarShift = 0.3f;
  l.deconOffset = 0.012f;
  l.hasIntGain = true;
  for (int i = 0; i < kCurvePoints; ++i) l.intGain[i] = (i % 10) / 10.0f;
  l.fillGain.emplace();
  l.fillGain->fill(0.75f);
  l.deconGain.emplace();
  l.deconGain->fill(0.5f);
  l.eqGains = std::array<float, 5>{0.9f, 1.0f, 1.1f, 1.2f, 0.8f};
  l.fillChunks = {{0, 4800, 96000}, {4800, 2400, 12}};
  l.alloyMorph = 0.35f;
  l.alloyAlgo = 1;
  l.alloyMid = {"/lib/mid.wav", "00000000000000bb", 1.0f, 2.0f};
  l.alloyHigh = {"/lib/high.wav", "", 0.5f, 1.0f};
  l.alloyEnv = {"/lib/env.wav", "00000000000000cc", 0.0f, 3.0f};
  return l;
}

Session everySessionFieldSet(const std::string& sourceFolder) {
  Session s;
  ProjectSettings& p = s.settings;
  p.totalDuration = 95.5f;
  p.fps = 25.0f;
  p.projectSampleRate = 96000;
  p.startTC = 3600.0f;
  p.maxEventDuration = 45.0f;
  p.scaleType = 5;
  p.scaleRoot = 7;
  p.pitchShiftProb = 30;
  p.freqShiftIntensity = 20;
  p.reverseProb = 10;
  p.normalizeLUFS = false;
  p.alloyAlgorithm = 1;
  p.alloyTransferDepth = 0.6f;
  p.alloyAttackGraft = 0.1f;
  p.alloyMicroPitch = 0.07f;
  p.alloyFilterBands = 16;

  for (int i = 0; i < 3; ++i) {
    Event e = everyEventFieldSet();
    e.time = 5.0f * i;
    e.pinnedFile = sourceFolder + "/pin" + std::to_string(i) + ".wav";
    e.pinnedFiles = {e.pinnedFile};
    e.pinnedFileIds = {"00000000000000a" + std::to_string(i)};
    e.pinnedFileId = e.pinnedFileIds[0];
    e.bedLayerLoop = {true};
    e.bedLayerWeight = {0.5f};
    s.events.push_back(e);
  }
  s.events[1].shape = ShapeType::Bed;
  s.events[2].shape = ShapeType::Contour;
  for (int i = 0; i < 4; ++i) {
    Layer l = everyLayerFieldSet(i % 4);
    l.id = static_cast<uint32_t>(100 + i);
    l.eventIdx = i % 3;
    l.filepath = sourceFolder + "/layer" + std::to_string(i) + ".wav";
    l.foldTarget = i == 3 ? 100 : -1;
    s.results.push_back(l);
  }
  s.scenes = {{"Kitchen", 0.0f, 10.0f, "room tone"}, {"Street", 10.0f, 40.0f, "traffic"}};
  UserShape shape;
  shape.name = "Whoosh";
  shape.keywords = "air pass";
  shape.defaultDuration = 1.5f;
  shape.spread = 0.2f;
  shape.weightCenter = 0.6f;
  shape.intensityScale = 1.2f;
  shape.weightOffset = 0.05f;
  shape.syncOffset = 0.1f;
  shape.weight = flatCurve(0.25f);
  shape.intensity = flatCurve(0.75f);
  s.userShapes = {shape, shape};

  TrackLayout& t = s.trackLayout;
  t.busCount = 4;
  t.busOrder = {3, 0, 2, 1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  t.busses[3].name = "Crowd";
  t.busses[3].busId = 7;
  t.busses[3].colorIdx = 9;
  t.busses[3].targetLUFS = -30.0f;
  t.busses[1].slots = {{2, 1, "Hits"}, {1, 0, ""}};
  t.busses[3].slots = {{1, 2, "Bed 5.1"}};
  t.nextBusId = 12;
  t.shapeHome = {1, 2, 7, 0, 1, 1, 7};

  s.linkedGroups = {"Doors", "Steps"};
  s.bannedFiles = {"/lib/bad one.wav", "/lib/bad two.wav"};
  s.bannedFileIds = {"00000000000000d1", ""};
  s.libraryPaths = {"/libraries/foley", "/libraries/ambience"};
  s.fileRefs = {{"0123456789abcdef", 0xfeedfacecafebeefULL, 123456789012ULL, "/lib/door.wav"}};
  ExportSettings& x = s.exportSettings;
  x.exportWithHandles = false;
  x.handleDuration = 2.5f;
  x.handleFullSource = true;
  x.fadeInDuration = 0.02f;
  x.fadeOutDuration = 0.08f;
  x.snapToFrames = false;
  x.exportAAFMarkers = true;
  x.exportAAFVolAuto = false;
  x.exportFillVirtual = true;
  x.exportFormatAAF = false;
  x.exportFormatWAV = false;
  x.exportWavMixdown = false;
  x.exportWavStems = true;
  x.exportWavTracks = true;
  x.exportWavClips = true;
  x.exportReverbStem = false;
  x.exportAAFSourceChannels = false;
  ReverbSettings& r = s.reverb;
  r.enabled = false;
  r.size = 0.8f;
  r.decay = 0.6f;
  r.damping = 0.4f;
  r.preDelay = 0.03f;
  r.diffusion = 0.5f;
  r.modulation = 0.25f;
  r.groupSends = {0.1f, 0.3f, 0.5f};
  s.workAreaIn = 4.0f;
  s.workAreaOut = 20.0f;
  s.masterGain = 1.5f;
  s.refGain = 0.5f;
  for (int i = 0; i < kMaxBusses; ++i) s.groupGain[static_cast<size_t>(i)] = i < 4 ? 0.5f + i * 0.25f : 1.0f;
  s.videoPath = "/videos/reel 1.mp4";
  s.videoStartTime = 2.0f;
  s.projectDescription = "Reel 1 \xE2\x80\x94 kitchen to street";
  TraceSummary& trace = s.traceSummary;
  trace.duration = 40.0f;
  trace.fps = 25.0f;
  trace.numFrames = 3;
  trace.maxCompositeEnergy = 0.8f;
  trace.opticalDetail = 0.5f;
  trace.traceKeepAbove = false;
  trace.spatialAmount = 0.4f;
  trace.spatialDiffuse = 0.2f;
  for (int f = 0; f < 3; ++f) {
    StoredFrameRow row;
    for (int c = 0; c < kStoredFrameColumns; ++c) row[static_cast<size_t>(c)] = 0.01f * (f * 11 + c);
    trace.frames.push_back(row);
  }
  SuggestedEvent suggestion;
  suggestion.time = 3.2f;
  suggestion.type = 1;
  suggestion.confidence = 0.7f;
  suggestion.tier = 1;
  suggestion.suggestedDuration = 2.0f;
  suggestion.suggestedShape = 1;
  suggestion.intensity = 0.6f;
  suggestion.suggestedGain = 0.8f;
  suggestion.suggestedSyncOffset = 0.1f;
  suggestion.suggestedWeightCenter = 0.4f;
  suggestion.suggestedSpread = 0.2f;
  suggestion.hasIntensityCurve = true;
  suggestion.intensityCurve = flatCurve(0.3f);
  suggestion.keywords = "impact";
  suggestion.presetName = "Hit";
  suggestion.accepted = false;
  suggestion.peelLayer = 2;
  trace.events = {suggestion, SuggestedEvent{}};
  return s;
}

}  // namespace vn::test
