// Delivery of callbacks from the message loop of the thread that asked for them, as the real
// runtime does: a callback is never run inside the call that requests it.
//
// Each thread that queues a callback gets a message-only window of the double (parent
// HWND_MESSAGE, created on first use). A callback without delay is announced with PostMessageW
// to that window; a delayed one waits for a timer of that window. Either way it runs when the
// thread's message loop dispatches the window's message, i.e. from any loop that calls
// GetMessageW/PeekMessageW for all windows (or for this window) and DispatchMessageW.
// Delayed callbacks run in order of due time, then of queueing.

#ifndef WV2D_CALLBACK_QUEUE_HH
#define WV2D_CALLBACK_QUEUE_HH

#include <windows.h>

#include <functional>

namespace wv2d {

// Queues `callback` for the calling thread's message loop, `delay_ms` milliseconds from now.
void queue_callback(std::function<void()> callback, DWORD delay_ms = 0);

// Callbacks queued and not yet run.
long pending_callbacks();

// Forgets every queued callback (the callables, and what they hold, are destroyed).
void drop_callbacks();

} // namespace wv2d

#endif // WV2D_CALLBACK_QUEUE_HH
