// The processor's SIMD units as UNIT_* bits.
#pragma once

#include <cstdint>

namespace gogo {

std::uint32_t cpuUnits();

} // namespace gogo
