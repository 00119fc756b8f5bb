#include "tools/demo_session.h"

#include <cmath>

#include "core/user_file_events.h"
#include "library/file_identity.h"
#include "platform/paths.h"

namespace vn::tools {
namespace {

Curve rampCurve(float from, float to) {
  Curve c;
  for (int i = 0; i < kCurvePoints; ++i) c[i] = from + (to - from) * i / (kCurvePoints - 1.0f);
  return c;
}

// A swell that peaks at the given position (0..1) of the event.
Curve swellCurve(float peak) {
  Curve c;
  for (int i = 0; i < kCurvePoints; ++i) {
    float x = i / (kCurvePoints - 1.0f) - peak;
    c[i] = 0.15f + 0.85f * std::exp(-x * x * 18.0f);
  }
  return c;
}

Event event(ShapeType shape, float time, float duration, const char* keywords) {
  Event e;
  e.shape = shape;
  e.time = time;
  e.duration = duration;
  e.keywords = keywords;
  // Clips and beds are the user's own files: never rebuilt.
  e.locked = shape == ShapeType::Clip || shape == ShapeType::Bed;
  if (shape == ShapeType::Bed) e.intensityMode = 2;
  return e;
}

TrackLayout demoLayout() {
  TrackLayout t;
  t.busCount = 4;
  t.busses[0].slots = {{1, static_cast<int>(ChannelFormat::Stereo), "Room"}};
  t.busses[1].slots = {{2, static_cast<int>(ChannelFormat::Stereo), ""}, {2, static_cast<int>(ChannelFormat::Mono), ""}};
  t.busses[3].name = "Foley";
  t.busses[3].targetLUFS = -27.0f;
  t.busses[3].slots = {{2, static_cast<int>(ChannelFormat::Mono), "Feet"}};
  t.nextBusId = 4;
  return t;
}

// The Bed of the street scene: distant traffic, two takes looped end to end.
Event streetBed(const std::string& soundFolder) {
  Event bed = makeBedEvent(12.0f, 18.0f);
  bed.keywords = "street traffic";
  if (!soundFolder.empty())
    for (const char* take : {"AMBUrbn_City_Traffic_Distant_01.wav", "AMBUrbn_City_Traffic_Distant_02.wav"}) {
      const std::string path = pathJoin(soundFolder, pathJoin("Ambiences", take));
      addBedFile(bed, path, FileIdForPath(path));
    }
  return bed;
}

// The Clip of the car's horn; a bare Clip without the library.
Event hornClip(const std::string& soundFolder, float maxDuration) {
  Event horn = event(ShapeType::Clip, 21.5f, 1.5f, "car horn");
  if (!soundFolder.empty()) {
    const std::string path = pathJoin(soundFolder, "Vehicles/VEHHorn_Car_Horn_Ab4_01.wav");
    horn = makeClipEvent(path, FileIdForPath(path), 1.5f, 21.5f, maxDuration);
    horn.keywords = "car horn";
  }
  horn.clipSourceDuration = 1.5f;
  horn.clipFadeOut = 0.2f;
  return horn;
}

}  // namespace

Session MakeDemoSession(const std::string& soundFolder) {
  Session s;
  s.settings.totalDuration = 30.0f;
  s.settings.fps = 24.0f;
  s.projectDescription = "Demo: a kitchen, a door, and out onto a busy street.";
  s.trackLayout = demoLayout();
  s.scenes = {{"Kitchen", 0.0f, 12.0f, "kitchen room tone fridge hum"},
              {"Street", 12.0f, 30.0f, "city street traffic distant"}};

  Event kitchenTone = event(ShapeType::Fill, 0.0f, 12.0f, "room tone kitchen");
  kitchenTone.sceneLink = 0;
  kitchenTone.sceneCrossfade = 12;
  kitchenTone.sceneFill = true;
  s.events.push_back(kitchenTone);
  Event street = streetBed(soundFolder);
  street.sceneLink = 1;
  street.sceneCrossfade = 12;
  street.intensity = flatCurve(0.7f);
  s.events.push_back(street);

  for (int step = 0; step < 4; ++step) {
    Event footstep = event(ShapeType::Spot, 1.5f + 0.55f * step, 0.4f, "footstep wood floor");
    footstep.folder = "Footsteps";
    footstep.groupOverride = 3;  // the Foley bus
    footstep.gain = 0.8f;
    s.events.push_back(footstep);
  }
  s.linkedGroups.insert("Footsteps");

  Event handle = event(ShapeType::Spot, 8.2f, 0.6f, "door handle metal");
  handle.folder = "Door";
  s.events.push_back(handle);
  Event slam = event(ShapeType::Spot, 9.0f, 1.2f, "door slam wood heavy");
  slam.folder = "Door";
  slam.hero = true;
  s.events.push_back(slam);

  Event whoosh = event(ShapeType::Bloom, 11.0f, 2.0f, "whoosh transition air");
  whoosh.weight = rampCurve(0.2f, 0.9f);
  whoosh.intensity = swellCurve(0.8f);
  s.events.push_back(whoosh);

  Event car = event(ShapeType::Contour, 15.0f, 5.0f, "car pass by");
  car.intensity = swellCurve(0.5f);
  car.panManual = true;
  car.panX = -0.6f;
  s.events.push_back(car);

  s.events.push_back(hornClip(soundFolder, s.settings.maxEventDuration));

  Event gust = event(ShapeType::Bloom, 24.0f, 4.0f, "wind gust");
  gust.userShapeIdx = 0;
  s.events.push_back(gust);

  UserShape gustShape;
  gustShape.name = "Gust";
  gustShape.keywords = "wind gust";
  gustShape.defaultDuration = 4.0f;
  gustShape.weight = rampCurve(0.3f, 0.6f);
  gustShape.intensity = swellCurve(0.4f);
  s.userShapes.push_back(gustShape);
  return s;
}

}  // namespace vn::tools
