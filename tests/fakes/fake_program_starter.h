#pragma once

#include <string>
#include <vector>

#include "platform/program_starter.h"

namespace vz::test {

/// Records the programs it was asked to start; starts nothing.
class FakeProgramStarter : public platform::ProgramStarter
{
public:
    bool start(const std::string& program) override
    {
        started.push_back(program);
        return succeeds;
    }

    std::vector<std::string> started;
    bool succeeds = true;
};

} // namespace vz::test
