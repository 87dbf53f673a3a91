#pragma once

#include "platform/event_yield.h"
#include "platform/messages.h"
#include "run/front_end.h"

namespace vz::session {

/// What a front end is talked to through: progress, the error list, message boxes and the turn
/// its events get.
struct FrontEndParts
{
    run::FrontEnd& frontEnd;
    run::ErrorSink& errors;
    platform::Messages& messages;
    platform::EventYield& events;
};

} // namespace vz::session
