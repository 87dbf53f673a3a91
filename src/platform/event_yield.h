#pragma once

namespace vz::platform {

/// Lets waiting window events run once. The run calls it where the windows get their turn: at
/// the start of preparing a run, of reading the weekday table, of the run, and after every page.
class EventYield
{
public:
    virtual ~EventYield() = default;
    virtual void yieldEvents() = 0;
};

} // namespace vz::platform
