#include "core/convert/BatchResult.h"

#include <algorithm>

int BatchResult::Count(FileResult::Kind kind) const {
  return static_cast<int>(std::count_if(files.begin(), files.end(),
                                        [kind](const FileResult& f) { return f.kind == kind; }));
}
