#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "extract/extract_context.h"
#include "fakes/fake_downloader.h"
#include "support/reporting_fixture.h"

namespace vz::test {

/// Everything article cutting needs, in a fresh data folder, with a fake downloader.
struct ExtractHarness : Reporting
{
    ExtractHarness() { DataPath = state.DataPath; }

    std::filesystem::path pix(const std::string& name) const { return dir.path() / "pix" / name; }

    extract::LineFitting fitting;
    FakeDownloader downloader;
    std::u16string DataPath;
    std::int32_t PictureNumber = 0;
    extract::ExtractContext ctx{reporter, fitting, downloader, DataPath, PictureNumber};
};

} // namespace vz::test
