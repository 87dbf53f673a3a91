#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "extract/extract_context.h"
#include "fakes/fake_picture_keeper.h"
#include "support/reporting_fixture.h"

namespace vz::test {

/// Everything article cutting needs, in a fresh data folder, with a fake picture keeper.
struct ExtractHarness : Reporting
{
    extract::LineFitting fitting;
    FakePictureKeeper pictures;
    extract::ExtractContext ctx{reporter, fitting, pictures};
};

} // namespace vz::test
