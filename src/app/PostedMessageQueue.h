#pragma once
// Messages posted to a window: any thread posts, the window's owner delivers
// them on the user-interface thread. A worker never touches a window; it
// posts a value and the window acts on it when its thread gets to it.
//
// The first post into an empty queue calls the waker once (the program's
// waker queues a call on the window's thread); further posts add to the same
// batch until the owner drains it, so a burst of posts costs one wake-up and
// nothing polls.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace app {

// The main frame's private messages. Other windows give the same numbers
// other meanings (the monitor panel, the message bar).
enum FrameMessage : unsigned {
    kMsgChartpointChanged = 0x501,   // the current chartpoint changed
    kMsgWaypointListChanged = 0x502,   // show the current route's waypoint list
    kMsgChartWindowClosed = 0x503,   // wParam: identity of the chart document to close
    kMsgModelessSheet = 0x504,   // wParam: 1 sheet created, 0 destroyed; lParam: its identity
    // Modules' own messages to themselves through the frame's queue start
    // here; each module names its ids next to its own code.
    kMsgModuleFirst = 0x600,
};

struct CPostedMessage {
    unsigned id = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
};

class CPostedMessageQueue {
public:
    using Waker = std::function<void()>;
    using Handler = std::function<void(const CPostedMessage&)>;

    // The waker runs on the posting thread, under the queue's lock, so that
    // once SetWaker(nullptr) returns no wake-up is under way; it must only
    // schedule the drain, never drain itself.
    void SetWaker(Waker waker);

    // False when the queue is closed; the message is dropped.
    bool Post(const CPostedMessage& message);
    bool Post(unsigned id, std::uint64_t wParam = 0, std::int64_t lParam = 0)
    {
        return Post(CPostedMessage{id, wParam, lParam});
    }

    // Delivers, in posting order, the messages waiting when it is called;
    // what the handlers post meanwhile waits for the next wake-up, so a
    // window that posts to itself cannot starve the event loop. When a
    // handler throws, the rest stay queued, a wake-up is requested for them
    // and the exception goes on to the caller. Returns the number delivered.
    std::size_t Drain(const Handler& handler);

    // Owner going away: later posts are refused and the waker is dropped.
    void Close();
    std::size_t Pending() const;

private:
    void WakeLocked();

    mutable std::mutex m_mutex;
    std::deque<CPostedMessage> m_queue;
    Waker m_waker;
    bool m_wakePending = false;
    bool m_closed = false;
};

}   // namespace app
