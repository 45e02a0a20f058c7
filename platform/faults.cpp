// The plan of injected failures; compiled only into the test build with PIXFERRY_FAULT_INJECTION.
// The copy checks its copies on a thread of its own, so the plan is asked from two threads at
// once: one lock guards it, and an action runs outside it.
#include "platform/faults.h"

#include <array>
#include <cstddef>
#include <functional>
#include <limits>
#include <mutex>
#include <utility>

namespace pixferry::faults {
namespace {

struct Plan {
  int calls = 0;
  int first = 0;  // 0: never fails
  int last = 0;
  int error = 0;
  int action_at = 0;  // 0: no action
  std::function<void()> action;
};

// One plan per operation for the whole test program: the operations are free functions, and a
// test arms them around one click.
struct Plans {
  std::mutex mutex;
  std::array<Plan, static_cast<std::size_t>(Op::kCount)> of{};
};

Plans& All() noexcept {
  static Plans plans;
  return plans;
}

Plan& PlanOf(Plans& plans, Op op) noexcept {
  return plans.of[static_cast<std::size_t>(op)];
}

// Arm's count of failing calls for ArmFrom: every call from the nth on.
constexpr int kFromThenOn = -1;

}  // namespace

int Check(Op op) noexcept {
  Plans& plans = All();
  std::function<void()> action;
  int error = 0;
  {
    const std::lock_guard lock(plans.mutex);
    Plan& plan = PlanOf(plans, op);
    ++plan.calls;
    // Taken out: the action may itself call the file operations it watches.
    if (plan.action && plan.calls == plan.action_at) action = std::exchange(plan.action, nullptr);
    if (plan.first != 0 && plan.calls >= plan.first && plan.calls <= plan.last) error = plan.error;
  }
  if (action) action();
  return error;
}

void Arm(Op op, int nth, int error, int times) noexcept {
  Plans& plans = All();
  const std::lock_guard lock(plans.mutex);
  Plan& plan = PlanOf(plans, op);
  plan.calls = 0;
  plan.first = nth;
  plan.last = times == kFromThenOn ? std::numeric_limits<int>::max() : nth + times - 1;
  plan.error = error;
}

void ArmFrom(Op op, int nth, int error) noexcept {
  Arm(op, nth, error, kFromThenOn);
}

void OnCall(Op op, int nth, std::function<void()> action) {
  Plans& plans = All();
  const std::lock_guard lock(plans.mutex);
  Plan& plan = PlanOf(plans, op);
  plan.calls = 0;
  plan.action_at = nth;
  plan.action = std::move(action);
}

void Disarm() noexcept {
  Plans& plans = All();
  const std::lock_guard lock(plans.mutex);
  plans.of.fill(Plan{});
}

int Calls(Op op) noexcept {
  Plans& plans = All();
  const std::lock_guard lock(plans.mutex);
  return PlanOf(plans, op).calls;
}

}  // namespace pixferry::faults
