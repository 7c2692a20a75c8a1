// Tests whose names hold "Unprivileged" need permission bits to hold, and root overrides them:
// scripts/test.sh leaves them out of its run as root and runs them apart as the user nobody.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

/// Fails the test, never skips it, when it runs as root.
#define QUORVEL_REQUIRE_UNPRIVILEGED_USER()                                                                       \
    do {                                                                                                          \
        if (::geteuid() == 0)                                                                                     \
            FAIL() << "run as root, which reads and writes anything: this test needs an unprivileged user "       \
                      "(scripts/test.sh runs the tests named *Unprivileged* as nobody)";                          \
    } while (false)
