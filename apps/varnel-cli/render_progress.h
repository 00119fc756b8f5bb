#pragma once
// The progress of a file render on the terminal: one bar per stage, and Ctrl-C.
#include <optional>
#include <string>

#include "export/render_to_file.h"
#include "progress.h"

namespace vn::cli {

class RenderProgress {
 public:
  // Without show, only Ctrl-C is watched.
  explicit RenderProgress(bool show) : show_(show) {}
  RenderFileWatch watch();

 private:
  bool show_;
  std::optional<ProgressBar> bar_;
  std::string stage_;
};

}  // namespace vn::cli
