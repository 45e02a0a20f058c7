// The plan of injected failures; compiled only into the test build with PIXFERRY_FAULT_INJECTION.
#include "platform/faults.h"

#include <array>
#include <cstddef>
#include <functional>
#include <limits>
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
std::array<Plan, static_cast<std::size_t>(Op::kCount)>& Plans() noexcept {
  static std::array<Plan, static_cast<std::size_t>(Op::kCount)> plans{};
  return plans;
}

Plan& PlanOf(Op op) noexcept {
  return Plans()[static_cast<std::size_t>(op)];
}

}  // namespace

int Check(Op op) noexcept {
  Plan& plan = PlanOf(op);
  ++plan.calls;
  if (plan.action && plan.calls == plan.action_at) {
    // Taken out first: the action may itself call the file operations it watches.
    const std::function<void()> action = std::move(plan.action);
    plan.action = nullptr;
    action();
  }
  if (plan.first == 0 || plan.calls < plan.first || plan.calls > plan.last) return 0;
  return plan.error;
}

void Arm(Op op, int nth, int error, int times) noexcept {
  Plan& plan = PlanOf(op);
  plan.calls = 0;
  plan.first = nth;
  plan.last = nth + times - 1;
  plan.error = error;
}

void ArmFrom(Op op, int nth, int error) noexcept {
  Arm(op, nth, error);
  PlanOf(op).last = std::numeric_limits<int>::max();
}

void OnCall(Op op, int nth, std::function<void()> action) {
  Plan& plan = PlanOf(op);
  plan.calls = 0;
  plan.action_at = nth;
  plan.action = std::move(action);
}

void Disarm() noexcept {
  Plans().fill(Plan{});
}

int Calls(Op op) noexcept {
  return PlanOf(op).calls;
}

}  // namespace pixferry::faults
