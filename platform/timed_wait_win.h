#pragma once
// The timed wait's pieces, apart so that the tests reach the road that the
// program takes only when the system gives it no waitable timer.
#include <cstdint>

namespace qelvo {

// Translates and dispatches the calling thread's pending messages, one at a time,
// until the queue is empty or a quit message is next; the quit message stays.
void pumpPendingMessages();

// Waits the given milliseconds by the performance counter alone, pumping messages
// as they arrive; never returns early and never spins. 0 or less returns at once.
void waitPumpingByClock(int32_t milliseconds);

}  // namespace qelvo
