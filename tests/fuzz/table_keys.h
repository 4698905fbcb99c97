// The keys the table allows, written out apart from the emitter, for the fuzzers' checks.
#pragma once

#include <cstdint>

// Keypad digits, A to F, space and Enter.
inline bool IsTableKey(std::uint8_t vk) {
  return (vk >= 0x60 && vk <= 0x69) || (vk >= 'A' && vk <= 'F') || vk == 0x20 || vk == 0x0D;
}
