#pragma once

#include <QObject>
#include <QPointer>

#include "session/window_thread.h"

namespace vz::ui {

/// The thread a Qt object lives on, as the thread the windows are on. A call posted after the
/// object is gone is dropped.
class QtWindowThread final : public session::WindowThread
{
public:
    explicit QtWindowThread(QObject* context) : m_context(context) {}

    bool isCurrent() const override;

protected:
    void deliver(std::function<void()> call) override;

private:
    QPointer<QObject> m_context;
};

} // namespace vz::ui
