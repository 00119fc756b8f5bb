#pragma once
// The progress of an export on the terminal: one bar per status text (the render
// of the layers first), and Ctrl-C as the cancel.
#include <optional>
#include <string>

#include "export/export_job.h"
#include "progress.h"

namespace vn::cli {

class ExportProgress {
 public:
  ExportWatch watch();
  // For the render of the layers before the run.
  void rendered(int done, int total);
  // Ends the last bar's line.
  void finish();

 private:
  void show(const char* status, double fraction);
  std::optional<ProgressBar> bar_;
  std::string status_;
};

}  // namespace vn::cli
