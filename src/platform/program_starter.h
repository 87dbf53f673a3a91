#pragma once

#include <string>

namespace vz::platform {

/// Starts another program in a window of its own, without arguments, and does not wait for it.
class ProgramStarter
{
public:
    virtual ~ProgramStarter() = default;
    /// `program` is a path or a name looked up on the PATH (UTF-8). False when it could not be
    /// started.
    virtual bool start(const std::string& program) = 0;
};

/// Starts programs as processes of their own, detached from this one.
class PosixProgramStarter final : public ProgramStarter
{
public:
    bool start(const std::string& program) override;
};

} // namespace vz::platform
