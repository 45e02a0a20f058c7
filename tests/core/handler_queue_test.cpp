#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "app/HandlerQueue.h"

namespace pixferry {
namespace {

// An event that arrives while a handler runs waits for its end; events run in the order they came.
TEST(HandlerQueue, AHandlerNeverStartsInsideAnother) {
  HandlerQueue queue;
  std::string order;
  queue.Run([&] {
    order += "job(";
    queue.Run([&] { order += "click "; });
    queue.Run([&] {
      order += "close ";
      queue.Run([&] { order += "last "; });
    });
    EXPECT_TRUE(queue.Running());
    order += ") ";
  });
  EXPECT_EQ(order, "job() click close last ");
  EXPECT_FALSE(queue.Running());
}

TEST(HandlerQueue, AHandlerThatThrowsLeavesTheQueueFree) {
  HandlerQueue queue;
  bool waited_ran = false;
  EXPECT_THROW(queue.Run([&] {
    queue.Run([&] { waited_ran = true; });
    throw std::runtime_error("escaped");
  }),
               std::runtime_error);
  EXPECT_FALSE(queue.Running());
  EXPECT_FALSE(waited_ran);  // dropped with the failed job
  bool next_ran = false;
  queue.Run([&] { next_ran = true; });
  EXPECT_TRUE(next_ran);
}

}  // namespace
}  // namespace pixferry
