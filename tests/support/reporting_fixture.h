#pragma once

#include <gtest/gtest.h>

#include "fakes/fake_front_end.h"
#include "run/reporter.h"
#include "run/run_state.h"
#include "support/temp_dir.h"

namespace vz::test {

/// A fresh folder that is both data and program folder, a run state pointing at it, and a
/// reporter whose lines and messages the fake front end records.
struct Reporting
{
    Reporting()
    {
        state.DataPath = dir.folder();
        state.ProgramFolder = dir.folder();
    }

    TempDir dir;
    run::RunState state;
    FakeFrontEnd fe;
    run::Reporter reporter{state, fe, fe};
};

struct ReportingTest : ::testing::Test, Reporting
{
};

} // namespace vz::test
