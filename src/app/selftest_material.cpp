#include "app/selftest_material.h"

#include <cmath>

#include "core/project_file.h"
#include "core/session_edit.h"
#include "platform/paths.h"
#include "tools/demo_library.h"

namespace vn {
namespace {

Curve rampCurve(float from, float to) {
  Curve c;
  for (int i = 0; i < kCurvePoints; ++i) c[i] = from + (to - from) * float(i) / float(kCurvePoints - 1);
  return c;
}

Curve swellCurve() {
  Curve c;
  for (int i = 0; i < kCurvePoints; ++i) c[i] = 0.15f + 0.8f * std::sin(3.14159265f * float(i) / (kCurvePoints - 1));
  return c;
}

Event makeEvent(ShapeType shape, float time, float duration, const char* keywords) {
  Event e;
  e.shape = shape;
  e.time = time;
  e.duration = duration;
  e.keywords = keywords;
  return e;
}

}  // namespace

Session selfTestSession() {
  Session s;
  s.settings.totalDuration = 40.0f;
  s.settings.fps = 24.0f;
  s.projectDescription = "Door, glass and a pass-by against a room tone";
  s.trackLayout.busses[0].name = "Hard FX";
  s.trackLayout.busses[1].name = "Design";
  s.trackLayout.busses[2].name = "Backgrounds";
  for (int b = 0; b < 3; ++b) s.trackLayout.busses[b].slots = {BusSlot{2, 1, {}}};

  Event tone = makeEvent(ShapeType::Fill, 0.0f, 30.0f, "room tone ambience");
  tone.intensity = rampCurve(0.35f, 0.55f);
  addEvent(s, tone);
  addEvent(s, makeEvent(ShapeType::Spot, 2.5f, 1.2f, "door wood slam"));
  Event whoosh = makeEvent(ShapeType::Bloom, 5.0f, 3.5f, "whoosh swish");
  whoosh.weight = rampCurve(0.2f, 0.9f);
  whoosh.intensity = swellCurve();
  addEvent(s, whoosh);
  addEvent(s, makeEvent(ShapeType::Spot, 8.6f, 0.8f, "glass break"));
  Event drone = makeEvent(ShapeType::Contour, 11.0f, 9.0f, "drone dark tension");
  drone.intensity = swellCurve();
  drone.weight = rampCurve(0.7f, 0.3f);
  addEvent(s, drone);
  Event hit = makeEvent(ShapeType::Spot, 14.2f, 1.0f, "metal impact");
  hit.hero = true;
  addEvent(s, hit);
  Event water = makeEvent(ShapeType::Bloom, 21.0f, 6.0f, "water splash");
  water.intensity = swellCurve();
  addEvent(s, water);
  addEvent(s, makeEvent(ShapeType::Spot, 28.5f, 1.0f, "door close"));
  Event fire = makeEvent(ShapeType::Contour, 30.0f, 8.0f, "fire crackle");
  fire.intensity = rampCurve(0.8f, 0.2f);
  addEvent(s, fire);

  s.events[1].folder = "Door";
  s.events[7].folder = "Door";
  s.linkedGroups.insert("Door");
  s.scenes.push_back(Scene{"Hallway", 0.0f, 12.0f, "interior"});
  s.scenes.push_back(Scene{"Kitchen", 12.0f, 30.0f, "interior"});
  s.workAreaIn = 4.0f;
  s.workAreaOut = 18.0f;
  s.dirty = false;
  return s;
}

SelfTestMaterial makeSelfTestMaterial(const std::string& folder) {
  SelfTestMaterial material;
  material.libraryFolder = pathJoin(folder, "Demo Library");
  const tools::DemoLibraryResult library = tools::WriteDemoLibrary(material.libraryFolder);
  if (!library.ok) {
    material.error = "the demo library could not be written: " + library.error;
    return material;
  }
  const Session session = selfTestSession();
  material.projectPath = pathJoin(folder, "Selftest.vnproj");
  material.eventCount = session.events.size();
  if (!saveProject(material.projectPath, session)) material.error = "the demo project could not be saved";
  return material;
}

}  // namespace vn
