// What a batch conversion did: how many WAV files its list held and what became of each one it
// finished, in the order they finished.
#pragma once

#include "core/convert/FileResult.h"

#include <QString>

#include <vector>

struct BatchResult {
  int wavCount = 0;
  std::vector<FileResult> files;
  // Why the batch ended before it came to every file of its list, for the summary ("…ため");
  // empty when it did not, or when its list was replaced.
  QString stoppedBecause;

  int Count(FileResult::Kind kind) const;
};
