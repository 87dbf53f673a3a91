#include "qt_window_thread.h"

#include <QMetaObject>
#include <QThread>

namespace vz::ui {

bool QtWindowThread::isCurrent() const
{
    return m_context && QThread::currentThread() == m_context->thread();
}

void QtWindowThread::deliver(std::function<void()> call)
{
    QMetaObject::invokeMethod(m_context.data(), std::move(call), Qt::QueuedConnection);
}

} // namespace vz::ui
