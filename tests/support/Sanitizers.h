// Whether the test program runs under AddressSanitizer: its runtime needs descriptors of its
// own, so tests that use up every descriptor cannot run there.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define QUORVEL_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEL_UNDER_ASAN 1
#endif
#endif
#ifndef QUORVEL_UNDER_ASAN
#define QUORVEL_UNDER_ASAN 0
#endif
