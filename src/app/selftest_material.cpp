#include "app/selftest_material.h"

#include "core/project_file.h"
#include "platform/paths.h"
#include "tools/demo_library.h"
#include "tools/demo_session.h"

namespace vn {

SelfTestMaterial makeSelfTestMaterial(const std::string& folder) {
  SelfTestMaterial material;
  material.libraryFolder = pathJoin(folder, "Demo Sounds");
  const tools::DemoLibraryResult library = tools::WriteDemoLibrary(material.libraryFolder);
  if (!library.ok) {
    material.error = "the demo library could not be written: " + library.error;
    return material;
  }
  const Session session = tools::MakeDemoSession(material.libraryFolder);
  material.projectPath = pathJoin(folder, "demo.vnproj");
  material.eventCount = session.events.size();
  if (!saveProject(material.projectPath, session)) material.error = "the demo project could not be saved";
  return material;
}

}  // namespace vn
