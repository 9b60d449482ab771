// Small images made in code for cover-art tests: a PNG and a baseline JPEG any decoder reads.
#pragma once

#include "AudioFixtures.h"

namespace fixtures {

// A greyscale PNG whose pixels run in a gradient, its data deflated without compression so that
// its size grows with the image (about width * height bytes).
Bytes makePng(int width, int height);

// A baseline JPEG of one grey component, every 8x8 block flat mid-grey: its own quantisation
// and Huffman tables, a frame header with the size, one scan.
Bytes makeJpeg(int width, int height);

} // namespace fixtures
