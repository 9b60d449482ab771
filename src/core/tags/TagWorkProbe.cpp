#include "core/tags/TagWorkProbe.h"

#include <utility>

namespace TagWorkProbe {

namespace {

std::function<void(Work)>& Probe() {
  static std::function<void(Work)> probe;
  return probe;
}

} // namespace

void Set(std::function<void(Work)> probe) {
  Probe() = std::move(probe);
}

void Tell(Work work) {
  if (const auto& probe = Probe())
    probe(work);
}

} // namespace TagWorkProbe
