// Large buffers in huge pages where the system offers them: page faults are costly, and a
// huge page takes one fault where small pages take hundreds.
#pragma once

#include <cstddef>

namespace quorvel::table {

inline constexpr std::size_t kHugePage = std::size_t{2} << 20;

/// At least `size` bytes, uninitialised: whole huge pages from `kHugePage` up, plain memory
/// below. Released with std::free. Throws std::bad_alloc.
void* allocateLarge(std::size_t size);

} // namespace quorvel::table
