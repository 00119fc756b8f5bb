#pragma once
// Records with every field set away from its default, for round trips and as
// seed documents for the hostile-input readers.
#include "core/session.h"

namespace vn::test {

Event everyEventFieldSet();
Layer everyLayerFieldSet(int procMode);
// Sources point into sourceFolder (which need not exist).
Session everySessionFieldSet(const std::string& sourceFolder);

}  // namespace vn::test
