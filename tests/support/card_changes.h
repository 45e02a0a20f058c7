// A photo changed on the card while a copy runs, for the tests of the copy's read-back.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry::testing {

// Changes a byte of the photo at path once the status line shows that the copy has moved past
// name, at the window's next KeepAlive: what was copied is then no longer the photo. Its size and
// time stay, so only its bytes tell.
inline void ChangeOnceCopied(FakeDesktop& desktop, const FakeTextBox& status,
                             const std::string& name, const std::string& path) {
  auto done = std::make_shared<bool>(false);
  desktop.on_keep_alive = [&status, name, path, done] {
    if (*done || !status.text.ends_with(name)) return;
    *done = true;
    const std::filesystem::file_time_type time = std::filesystem::last_write_time(path);
    std::string bytes = ReadFile(path);
    bytes.at(0) ^= 1;
    WriteFile(path, bytes);
    std::filesystem::last_write_time(path, time);
  };
}

}  // namespace pixferry::testing
