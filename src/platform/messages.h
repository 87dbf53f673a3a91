#pragma once

#include <string>

namespace vz::platform {

/// Message boxes the core and the editors show. The windows show real boxes; the headless command
/// prints what it is told and never asks, as no person is there to answer.
class Messages
{
public:
    virtual ~Messages() = default;
    /// An information message with an OK button.
    virtual void information(const std::u16string& text) = 0;
    /// A plain message with only an OK button and no icon (a report that could not be logged, for one).
    virtual void alert(const std::u16string& text) = 0;
    /// A question with OK and Cancel and a question icon; true only for OK.
    virtual bool askOkCancel(const std::u16string& text) = 0;
    /// A question with Yes and No and no icon; true only for Yes.
    virtual bool askYesNo(const std::u16string& text) = 0;
};

} // namespace vz::platform
