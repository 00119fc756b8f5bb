#include "render_progress.h"

namespace vn::cli {

RenderFileWatch RenderProgress::watch() {
  RenderFileWatch w;
  w.cancelled = [] { return interrupted(); };
  if (!show_) return w;
  w.progress = [this](const char* stage, double fraction, const std::string& detail) {
    if (!bar_ || stage_ != stage) {
      bar_.emplace(stage);
      stage_ = stage;
    }
    bar_->update(fraction, detail);
  };
  w.stageDone = [this](const char* stage, const std::string& detail) {
    if (!bar_ || stage_ != stage) bar_.emplace(stage);
    bar_->finish(detail);
    bar_.reset();
    stage_.clear();
  };
  return w;
}

}  // namespace vn::cli
