// How the windows hand an escaped failure to the application's default error handler.
#pragma once

#include "table/Failure.h"

#include <exception>
#include <functional>

namespace quorvel::report {

/// Receives every failure that escapes a slot of these windows (SilentAbort included: the
/// handler decides to show nothing for it).
using ErrorHook = std::function<void(const Failure&)>;

/// Runs `body` so that no exception leaves it: failures go to `hook`.
template <class Body>
void guarded(const ErrorHook& hook, Body&& body) noexcept
{
    try {
        try {
            body();
        } catch (const Failure& failure) {
            if (hook)
                hook(failure);
        } catch (const std::exception& e) {
            if (hook)
                hook(Failure(QString::fromLocal8Bit(e.what())));
        }
    } catch (...) {
        // A handler that throws itself has nowhere left to go.
    }
}

} // namespace quorvel::report
