#include "contents_page.h"

#include "gather/output_file.h"
#include "run/text.h"

namespace vz::gather {

void MakeContents(const run::RunState& state, const run::SiteTable& table, run::Reporter& reporter,
                  const platform::DateTime& now)
{
    const std::u16string path = state.DataPath + u"index.html";
    std::u16string page = u"<html>\r\n\r\n<br>\r\n" + run::shortDateText(now) + u"\r\n" + kRule + u"\r\n";
    for (int row = 0; row <= state.SiteCount && row < static_cast<int>(table.rows.size()); ++row) {
        const run::SiteRecord& site = table.rows[static_cast<std::size_t>(row)];
        if (!site.IndexName.empty()) {
            page += u"<a href= \"" + site.FileName + u"\">" + site.IndexName + u"</a><br><br>\r\n";
        }
    }
    page += kRule + std::u16string(u"\r\n</html>\r\n");
    writeOutput(path, page);
    reporter.DispErr(u"目次ページを作成しました。", path, u"", u"MakeContents");

    if (state.DailySort && state.DataPath.size() >= 7) {
        const std::u16string dayFolder = text::Right(state.DataPath, 7);
        const std::u16string list = text::Left(state.DataPath, text::Len(state.DataPath) - 7) + u"index.html";
        appendOutput(list,
                     u"<a href= \"" + dayFolder + u"index.html\">" + run::shortDateText(now) + u"</a><br><br>\r\n");
        reporter.DispErr(u"目次ページを作成しました。", list, u"", u"MakeContents");
    }
}

std::u16string topicFileName(std::int32_t number)
{
    return text::zeroPadded(number, 5) + u".html";
}

void WriteTopicFile(const run::RunState& state, const std::u16string& article, std::int32_t number)
{
    writeOutput(state.DataPath + topicFileName(number), u"<html>\r\n" + article + u"\r\n</html>\r\n");
}

} // namespace vz::gather
