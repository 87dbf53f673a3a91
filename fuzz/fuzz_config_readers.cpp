// The site list and weekday table readers on any file content.

#include <algorithm>

#include "fuzz_support.h"
#include "run/site_list_file.h"
#include "run/text_file.h"
#include "run/weekday_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vz;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::u16string> lines = run::splitLines(run::decodeTextFile(bytes));
    for (const std::u16string& line : lines) {
        run::siteListPathOf(line, u"/program/");
    }
    if (lines.empty()) {
        return 0;
    }
    const run::RunSettings settings = run::parseSettingsLine(lines.front());
    lines.erase(lines.begin());
    const auto count = static_cast<std::int16_t>(std::min<std::size_t>(lines.size(), run::kMaxSiteLines));
    run::buildSiteTable(lines, count);
    const run::EditSiteTable table = run::buildEditSiteTable(lines, count);
    run::siteListText(settings, table);
    return 0;
}
