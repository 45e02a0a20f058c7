// Whole-file copies in groups. Each system's file included first holds its own calls: how a copy
// is written, flushed, read back and named. The group's commit, the same on every system, is
// written once below it.
#include <functional>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"

#ifdef _WIN32
#include "platform/win32/copy.inc"
#include "platform/win32/same_content.inc"
#else
#include "platform/posix/copy.inc"
#endif

namespace pixferry {

CopyGroup::CopyGroup(CopyGroupLimits limits, std::function<void()> between_chunks)
    : impl_(std::make_unique<Impl>()) {
  impl_->limits = limits;
  impl_->between = std::move(between_chunks);
}

CopyGroup::~CopyGroup() = default;

std::size_t CopyGroup::PendingFiles() const noexcept {
  return impl_->pending.size();
}

std::vector<CopyOutcome> CopyGroup::Commit() {
  Impl& g = *impl_;
  std::vector<Impl::Pending> pending = std::exchange(g.pending, {});
  g.ForgetWaiting();
  // Whatever happens, no temporary outlives the commit.
  const struct Cleanup {
    std::vector<Impl::Pending>& pending;
    ~Cleanup() {
      for (Impl::Pending& p : pending) Impl::Remove(p);
    }
  } cleanup{pending};
  if (pending.empty()) return {};
  if (const int e = faults::Check(faults::Op::CopyCommit)) throw RuntimeError(e);
  Impl::Flush(pending);

  std::vector<CopyOutcome> outcomes;
  for (Impl::Pending& p : pending) {
    if (g.between) g.between();
    CopyOutcome outcome{p.source, p.destination, false, 0, p.stamp};
    if (p.temp.empty()) {
      outcome.verified = true;  // onto the source itself: nothing was written
    } else if (const int e = faults::Check(faults::Op::CopyVerify)) {
      outcome.error = e;
    } else {
      outcome = g.Verify(p);
      if (outcome.verified) {
        if (const int named = g.Name(p); named != 0) {
          outcome.verified = false;
          outcome.error = named;
        }
      }
    }
    Impl::Remove(p);
    outcomes.push_back(std::move(outcome));
  }
  g.Settle(outcomes);
  return outcomes;
}

}  // namespace pixferry
