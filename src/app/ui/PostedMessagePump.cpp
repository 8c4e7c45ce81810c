#include "app/ui/PostedMessagePump.h"

namespace app {

CPostedMessagePump::CPostedMessagePump(app::CPostedMessageQueue& queue,
                                       app::CPostedMessageQueue::Handler handler, QObject* parent)
    : QObject(parent), m_queue(queue), m_handler(std::move(handler))
{
    m_queue.SetWaker([this] {
        QMetaObject::invokeMethod(
            this, [this] { m_queue.Drain(m_handler); }, Qt::QueuedConnection);
    });
}

CPostedMessagePump::~CPostedMessagePump()
{
    m_queue.SetWaker(nullptr);
}

}   // namespace app
