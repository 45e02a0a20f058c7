// Whole-file copies in groups. Each system's file included first holds its own calls: how a copy
// is written, flushed, read back and named (its CopySystem). What the group keeps of its waiting
// copies and its commit, the same on every system, are written once below it.
#include <algorithm>
#include <functional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"

#ifdef _WIN32
#include "platform/win32/copy.inc"
#else
#include "platform/posix/copy.inc"
#endif

namespace pixferry {

struct CopyGroup::Impl : CopySystem {
  ~Impl() {
    for (Pending& p : pending) Remove(p);
  }

  CopyGroupLimits limits;
  std::function<void()> between;
  std::vector<Pending> pending;
  // The destinations waiting; folded too where their folder ignores case.
  std::unordered_set<std::string> names;
  std::unordered_set<std::string> folded_names;
  unsigned long long bytes = 0;
};

CopyGroup::CopyGroup(CopyGroupLimits limits, std::function<void()> between_chunks)
    : impl_(std::make_unique<Impl>()) {
  impl_->limits = limits;
  // Each waiting copy holds files open: a group may not hold more than the process may have.
  impl_->limits.files = std::min(limits.files, OpenFileBudget());
  impl_->between = std::move(between_chunks);
}

CopyGroup::~CopyGroup() = default;

void CopyGroup::Add(const std::string& source, const std::string& destination) {
  Impl& g = *impl_;
  if (const int e = faults::Check(faults::Op::CopyOpen)) throw RuntimeError(e);
  Pending p = g.Write(source, destination, g.between);
  g.names.insert(destination);
  if (p.ignores_case) g.folded_names.insert(FoldedName(destination));
  if (!p.temp.empty()) g.bytes += p.stamp.size;
  g.pending.push_back(std::move(p));
}

bool CopyGroup::Holds(const std::string& destination) const {
  const Impl& g = *impl_;
  return g.names.contains(destination) || g.folded_names.contains(FoldedName(destination));
}

bool CopyGroup::Full() const noexcept {
  const Impl& g = *impl_;
  return g.pending.size() >= g.limits.files || g.bytes >= g.limits.bytes;
}

std::vector<CopyOutcome> CopyGroup::Commit() {
  Impl& g = *impl_;
  std::vector<Pending> pending = std::exchange(g.pending, {});
  g.names.clear();
  g.folded_names.clear();
  g.bytes = 0;
  // Whatever happens, no temporary outlives the commit.
  const struct Cleanup {
    std::vector<Pending>& pending;
    ~Cleanup() {
      for (Pending& p : pending) Impl::Remove(p);
    }
  } cleanup{pending};
  if (pending.empty()) return {};
  if (const int e = faults::Check(faults::Op::CopyCommit)) throw RuntimeError(e);
  Impl::Flush(pending, g.between);

  std::vector<CopyOutcome> outcomes;
  for (Pending& p : pending) {
    if (g.between) g.between();
    CopyOutcome outcome{p.source, p.destination, false, 0, p.stamp};
    if (p.temp.empty()) {
      // Onto the source itself: nothing was written, and there is still one file only, which
      // must never be taken for a proved copy of itself.
    } else if (const int e = faults::Check(faults::Op::CopyVerify)) {
      outcome.error = e;
    } else {
      outcome = g.Verify(p, g.between);
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
  g.Settle(outcomes, g.between);
  return outcomes;
}

}  // namespace pixferry
