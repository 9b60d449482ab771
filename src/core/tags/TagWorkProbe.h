// Where the tag work runs, for those who must know it (the tests that keep it off the window's
// thread): ReadFileTags and WriteTags tell the probe, on the thread they run on, before they
// touch the file. Set it before any tag work starts; none by default.
#pragma once

#include <functional>

namespace TagWorkProbe {

enum class Work { Read, Write };

void Set(std::function<void(Work)> probe);
// Tells the probe, if there is one.
void Tell(Work work);

} // namespace TagWorkProbe
