// Test material for the prints command: what an export leaves behind, made without
// the export. print_writer OUTDIR NAME SOURCE... writes OUTDIR/NAME_mix.wav and
// OUTDIR/NAME_stem.wav as Broadcast-WAV files carrying their print identities,
// records both in the ledger of $APPDATA and writes OUTDIR/NAME.vnprints.json. The
// session behind them has two events with a layer each, from the given sources as
// the Libraries of $APPDATA know them; the stem holds the second event only.
#include <cstdio>
#include <string>
#include <vector>

#include "export/bwf_writer.h"
#include "ledger/record_print.h"
#include "library/file_identity.h"
#include "library/libraries.h"

int main(int argc, char** argv) {
  using namespace vn;
  if (argc < 4) {
    std::fprintf(stderr, "usage: print_writer OUTDIR NAME SOURCE...\n");
    return 2;
  }
  StartLibraries();
  const std::string out = argv[1], name = argv[2];
  std::vector<std::string> sources(argv + 3, argv + argc);
  std::vector<std::string> ids;
  for (const std::string& path : sources) {
    const std::optional<FileFingerprint> fp = ComputeFileFingerprint(path);
    if (!fp) {
      std::fprintf(stderr, "%s cannot be read\n", path.c_str());
      return 1;
    }
    ids.push_back(FileIdFor(path, fp->contentHash, fp->fileSize));
  }
  Session session;
  for (int i = 0; i < 2; ++i) {
    Event e;
    e.time = 1.0f + 4.0f * static_cast<float>(i);
    e.duration = 2.0f;
    e.keywords = i == 0 ? "door slam" : "whoosh";
    session.events.push_back(e);
    Layer l;
    l.id = static_cast<uint32_t>(i) + 1;
    l.name = e.keywords;
    const size_t source = static_cast<size_t>(i) % sources.size();
    l.filepath = sources[source];
    l.fileId = ids[source];
    l.startTime = e.time;
    l.duration = 1.0f;
    l.eventIdx = i;
    session.results.push_back(l);
  }

  std::vector<ExportedFile> files;
  for (const char* kind : {"mix", "stem"}) {
    ExportedFile f;
    f.path = out + "/" + name + "_" + kind + ".wav";
    f.kind = kind == std::string("mix") ? "mixdown" : "stem";
    f.print = NewPrintIdentity();
    f.sampleRate = 48000;
    f.channels = 2;
    f.frames = 48000;
    f.channelLayout = "stereo";
    if (f.kind == "stem") f.eventIndices = {1};
    std::vector<float> left(48000), right(48000);
    for (size_t i = 0; i < left.size(); ++i) {
      left[i] = 0.1f * static_cast<float>((i * (f.kind == "stem" ? 7 : 3)) % 100) / 100.0f;
      right[i] = -left[i];
    }
    const BwfProvenance provenance{f.print, f.kind};
    BwfWriteOptions options;
    options.provenance = &provenance;
    if (!WriteBWFStereo(f.path, left.data(), right.data(), 48000, 48000, 0.0, kind, {}, options)) {
      std::fprintf(stderr, "%s could not be written\n", f.path.c_str());
      return 1;
    }
    files.push_back(f);
  }
  ExportPrintJob job;
  job.session = &session;
  job.projectName = name;
  job.outputFolder = out;
  job.exportName = name;
  return RecordExportPrints(files, job) == 2 ? 0 : 1;
}
