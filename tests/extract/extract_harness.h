#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "extract/extract_context.h"
#include "fakes/fake_front_end.h"
#include "fakes/fake_picture_keeper.h"
#include "run/reporter.h"
#include "run/run_state.h"
#include "support/temp_dir.h"

namespace vz::test {

/// Everything article cutting needs, in a fresh data folder, with a fake picture keeper.
struct ExtractHarness
{
    ExtractHarness() { state.DataPath = dir.folder(); }

    TempDir dir;
    run::RunState state;
    FakeFrontEnd fe;
    run::Reporter reporter{state, fe, fe};
    extract::LineFitting fitting;
    FakePictureKeeper pictures;
    extract::ExtractContext ctx{reporter, fitting, pictures};
};

} // namespace vz::test
