#pragma once

#include <string>

namespace vz::platform {

/// Message boxes the core shows. The windows show real boxes; the headless command prints them.
class Messages
{
public:
    virtual ~Messages() = default;
    /// An information message with an OK button.
    virtual void information(const std::u16string& text) = 0;
    /// A plain message with only an OK button (a report that could not be logged, for one).
    virtual void alert(const std::u16string& text) = 0;
};

} // namespace vz::platform
