#include "export_progress.h"

#include <algorithm>

namespace vn::cli {

ExportWatch ExportProgress::watch() {
  ExportWatch w;
  w.cancelled = [] { return interrupted(); };
  w.progress = [this](const char* status, double fraction) { show(status, fraction); };
  return w;
}

void ExportProgress::rendered(int done, int total) {
  show("Rendering layers", static_cast<double>(done) / std::max(total, 1));
}

void ExportProgress::show(const char* status, double fraction) {
  if (!bar_ || status_ != status) {
    finish();
    bar_.emplace(status);
    status_ = status;
  }
  bar_->update(fraction);
}

void ExportProgress::finish() {
  if (bar_) bar_->finish();
  bar_.reset();
}

}  // namespace vn::cli
