// Stopping a long computation between its iterations. The loops of the routines that can
// run long (the low-r optimisation, the shell fit) ask cancel_requested() between
// iterations; what asks for the stop is the front end's business: the Cancel button of the
// program's busy window, a signal to a worker process of a series. A routine that finds the
// request returns as refused, delivering nothing and showing no message.
#pragma once

#include <functional>

// Asks the computation running now to stop. Async-signal-safe, so that a signal handler
// (a worker process told to stop) may call it.
void request_cancel();

// True once a stop was asked for since the last reset_cancel(). Calls the installed poll
// first (at most every 50 ms), which may ask for it: the program processes its pending
// events there, so that its Cancel button can be pressed.
bool cancel_requested();

// Clears the request: a run starts.
void reset_cancel();

// The poll cancel_requested() calls; returns the one it replaces. Empty: none.
using cancel_poll = std::function<void()>;
cancel_poll set_cancel_poll(cancel_poll poll);
