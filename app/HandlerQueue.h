// The window's event handlers run one at a time. A long job keeps the window alive while it
// runs (Desktop::KeepAlive), and an event the system still delivers meanwhile (a close request,
// a click posted by another program) must not start a second handler inside the first: it waits
// and runs when the running one has ended, in the order it came.
#pragma once

#include <deque>
#include <functional>
#include <utility>

namespace pixferry {

class HandlerQueue {
 public:
  // Runs handler now, or after the handler that is running. A handler must not throw.
  void Run(std::function<void()> handler) {
    waiting_.push_back(std::move(handler));
    if (running_) return;
    running_ = true;
    const Done done{running_, waiting_};
    while (!waiting_.empty()) {
      const std::function<void()> next = std::move(waiting_.front());
      waiting_.pop_front();
      next();
    }
  }

 private:
  // Even if a handler throws, the queue is free again and forgets what waited.
  struct Done {
    bool& running;
    std::deque<std::function<void()>>& waiting;
    ~Done() {
      running = false;
      waiting.clear();
    }
  };

  bool running_ = false;
  std::deque<std::function<void()>> waiting_;
};

}  // namespace pixferry
