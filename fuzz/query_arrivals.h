// The registry conversation driven by fuzzed arrivals; aborts when an invariant breaks.
#pragma once

#include <cstddef>
#include <cstdint>

void fuzzQueryArrivals(const std::uint8_t *data, size_t size);
