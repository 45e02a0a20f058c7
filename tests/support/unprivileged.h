// Runs a check as an ordinary user, so that file permissions bite even when the tests run as
// root: as root the check runs in a forked child inside a new user namespace, where root's power
// over the files it owns is gone.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace pixferry::testing {

// The check's answer, or nothing when no ordinary user could be had here.
std::optional<bool> RunUnprivileged(const std::function<bool()>& check);

// The check's answer with folder mounted read-only (a write-protected card), or nothing when no
// mount could be made here. Runs in a forked child in its own user and mount namespaces, so the
// mount is seen by nothing else and needs no root.
std::optional<bool> RunWithReadOnlyFolder(const std::string& folder,
                                          const std::function<bool()>& check);

}  // namespace pixferry::testing
