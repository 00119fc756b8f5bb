#include "app/selftest_material.h"

#include <vector>

#include "core/project_file.h"
#include "export/bwf_writer.h"
#include "ledger/record_print.h"
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

std::string writeDeliveredFile(const std::string& folder, const Session& session, std::string& error) {
  ExportedFile file;
  file.path = pathJoin(folder, "Selftest_mix.wav");
  file.kind = "mixdown";
  file.print = NewPrintIdentity();
  file.sampleRate = 48000;
  file.channels = 2;
  file.frames = 48000;
  file.channelLayout = "stereo";
  std::vector<float> left(static_cast<size_t>(file.frames)), right(left.size());
  for (size_t i = 0; i < left.size(); ++i) {
    left[i] = 0.05f * static_cast<float>(i % 480) / 480.0f;
    right[i] = -left[i];
  }
  const BwfProvenance provenance{file.print, file.kind};
  BwfWriteOptions options;
  options.provenance = &provenance;
  if (!WriteBWFStereo(file.path, left.data(), right.data(), file.frames, file.sampleRate, 0.0, "Selftest", {}, options)) {
    error = "the delivered file could not be written";
    return {};
  }
  ExportPrintJob job;
  job.session = &session;
  job.projectName = "Selftest";
  job.outputFolder = folder;
  if (RecordExportPrints({file}, job) != 1) {
    error = "the delivered file could not be recorded";
    return {};
  }
  return file.path;
}

}  // namespace vn
