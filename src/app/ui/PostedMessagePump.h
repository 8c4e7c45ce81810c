#pragma once
// Delivers a posted-message queue on the thread of this object (the window's,
// the user-interface thread): a post from any thread queues one call in the
// event loop, which drains the queue into the handler.

#include <QObject>

#include "app/PostedMessageQueue.h"

namespace app {

class CPostedMessagePump : public QObject {
    Q_OBJECT
public:
    CPostedMessagePump(app::CPostedMessageQueue& queue, app::CPostedMessageQueue::Handler handler,
                       QObject* parent = nullptr);
    // Detaches from the queue; a wake-up already queued dies with the object.
    ~CPostedMessagePump() override;

private:
    app::CPostedMessageQueue& m_queue;
    app::CPostedMessageQueue::Handler m_handler;
};

}   // namespace app
