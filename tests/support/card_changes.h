// A photo changed on the card while a copy runs, for the tests of the copy's read-back.
#pragma once

#include <memory>
#include <string>

#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry::testing {

// Changes the photo at path once the status line shows that the copy has moved past name, at the
// window's next KeepAlive: what was copied is then no longer the photo.
inline void ChangeOnceCopied(FakeDesktop& desktop, const FakeTextBox& status,
                             const std::string& name, const std::string& path) {
  auto done = std::make_shared<bool>(false);
  desktop.on_keep_alive = [&status, name, path, done] {
    if (*done || !status.text.ends_with(name)) return;
    *done = true;
    WriteFile(path, "changed on the card after it was copied");
  };
}

}  // namespace pixferry::testing
