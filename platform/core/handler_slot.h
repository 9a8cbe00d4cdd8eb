// A process-wide replaceable handler: a function standing for the user (or
// the desktop) and its context, read and replaced under a lock. One slot per
// handler type; it is never destroyed, so calls made while static objects
// are destroyed still find it.
#pragma once

#include <mutex>

namespace kavro::platform::detail {

template <class Handler>
class HandlerSlot {
 public:
  static HandlerSlot& Instance() {
    static HandlerSlot* slot = new HandlerSlot;  // outlives every static object
    return *slot;
  }

  // Installs handler with its context; returns the handler it replaces.
  Handler Set(Handler handler, void* context) {
    std::lock_guard<std::mutex> guard(lock_);
    Handler previous = handler_;
    handler_ = handler;
    context_ = context;
    return previous;
  }

  // The installed handler (null when none) and, when asked, its context.
  Handler Get(void** context) {
    std::lock_guard<std::mutex> guard(lock_);
    if (context) *context = context_;
    return handler_;
  }

 private:
  HandlerSlot() = default;

  std::mutex lock_;
  Handler handler_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace kavro::platform::detail
