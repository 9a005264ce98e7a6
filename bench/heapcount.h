#pragma once

#include <cstddef>

// What the process holds from malloc at a time. Linking heapcount.cpp into a program replaces
// its malloc family (the Qt libraries' calls included) with one that counts and then hands every
// call on to the C library's own.
namespace heapcount {

// False in a build with the address sanitizer, which keeps malloc for itself: nothing is counted.
bool counts();

// Bytes held now, counted as the allocator's usable sizes.
std::size_t held();

// The most bytes held at once since the last restartPeak().
std::size_t peak();
void restartPeak();

} // namespace heapcount
