// The numbers of hakobune's command line: counts and seconds.
#pragma once

#include <cstdint>

namespace hakobune {

// A decimal number from 1 to 2^31 - 1 ("--connect-fail-from 3"); false for
// anything else, `value` then unchanged.
bool ParsePositive(const char* text, uint32_t& value);

// Seconds as a decimal number with up to three decimals ("60", "0.25"), at
// most a day, in milliseconds ("--timeout", "--delay"); false for anything
// else, `ms` then unchanged.
bool ParseSeconds(const char* text, uint32_t& ms);

}  // namespace hakobune
