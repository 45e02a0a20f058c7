// One whole-file copy through a job of one, for tests that copy a single file.
#pragma once

#include <string>
#include <vector>

#include "platform/copy.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace pixferry::testing {

// Throws RuntimeError: the copy's own error, or 57 when the copy read back differs.
inline void CopyWholeFile(const std::string& source, const std::string& destination) {
  CopyJob one;
  one.Add(source, destination);
  const CopyOutcome outcome = one.Finish().at(0);
  if (outcome.error != 0) throw RuntimeError(outcome.error);
  if (!outcome.verified) throw RuntimeError(err::kDeviceIoError);
}

}  // namespace pixferry::testing
