// Runs a check as an ordinary user, so that file permissions bite even when the tests run as
// root: as root the check runs in a forked child inside a new user namespace, where root's power
// over the files it owns is gone.
#pragma once

#include <functional>
#include <optional>

namespace pixferry::testing {

// The check's answer, or nothing when no ordinary user could be had here.
std::optional<bool> RunUnprivileged(const std::function<bool()>& check);

}  // namespace pixferry::testing
