#include "numeric/cancel.h"

#include <atomic>
#include <chrono>

namespace {

std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from signal handlers");
cancel_poll poll;
std::chrono::steady_clock::time_point last_poll;
constexpr auto poll_interval = std::chrono::milliseconds(50);

}  // namespace

void request_cancel() { requested.store(true, std::memory_order_relaxed); }

bool cancel_requested() {
  if (poll) {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_poll >= poll_interval) {
      last_poll = now;
      poll();
    }
  }
  return requested.load(std::memory_order_relaxed);
}

void reset_cancel() { requested.store(false, std::memory_order_relaxed); }

cancel_poll set_cancel_poll(cancel_poll p) {
  last_poll = std::chrono::steady_clock::time_point{};
  std::swap(poll, p);
  return p;
}
