#pragma once

#include <functional>

namespace tarvex {

// Runs `work` later on the thread of the application object, through its event loop; never
// from inside this call. Safe from any thread once prepareMainThreadDelivery has run for the
// current application object, also while that object is being destroyed. When there is no
// application object (or no longer one), `work` is dropped unrun and the answer is false. Work
// still queued when the application object goes away is dropped too.
bool deliverOnMainThread(std::function<void()> work);

// Makes ready what deliverOnMainThread needs, so that helper threads can deliver later. Call it
// on the application's thread before handing work to other threads.
void prepareMainThreadDelivery();

}  // namespace tarvex
