#pragma once
// The one-line character of a Library shown beside its name: how many files, where
// their spectrum sits, how long they are and the words they share.
#include "library/library.h"

namespace vn {

// Sets library.summary and library.topWords.
void SummariseLibrary(Library& library);

}  // namespace vn
