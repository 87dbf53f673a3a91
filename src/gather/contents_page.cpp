#include "contents_page.h"

#include "extract/safe_markup.h"
#include "gather/output_file.h"
#include "run/text.h"

namespace vz::gather {

namespace {

// A file of the data folder as a link's address: a name holding ":" would read as a scheme
// ("javascript:..."), so it is marked as a path.
std::u16string fileLink(const std::u16string& name)
{
    const std::u16string link = extract::AttributeText(name);
    return name.find(u':') == std::u16string::npos ? link : u"./" + link;
}

} // namespace

void MakeContents(const run::RunState& state, const run::SiteTable& table, run::Reporter& reporter,
                  const platform::DateTime& now, const std::u16string& bookName)
{
    const std::u16string path = state.DataPath + u"index.html";
    std::u16string page = u"<html>\r\n\r\n<br>\r\n" + run::shortDateText(now) + u"\r\n" + kRule + u"\r\n";
    for (int row = 0; row <= state.SiteCount && row < static_cast<int>(table.rows.size()); ++row) {
        const run::SiteRecord& site = table.rows[static_cast<std::size_t>(row)];
        if (!site.IndexName.empty()) {
            page += u"<a href= \"" + fileLink(site.FileName) + u"\">" + extract::PlainText(site.IndexName) +
                    u"</a><br><br>\r\n";
        }
    }
    if (!bookName.empty()) {
        page += u"<a href= \"" + fileLink(bookName) + u"\">EPUB（電子書籍）</a><br><br>\r\n";
    }
    page += kRule + std::u16string(u"\r\n</html>\r\n");
    writeOutput(path, page);
    reporter.DispErr(u"目次ページを作成しました。", path, u"", u"MakeContents");

    if (state.DailySort && state.DataPath.size() >= 7) {
        const std::u16string dayFolder = text::Right(state.DataPath, 7);
        const std::u16string list = text::Left(state.DataPath, text::Len(state.DataPath) - 7) + u"index.html";
        appendOutput(list, u"<a href= \"" + fileLink(dayFolder) + u"index.html\">" + run::shortDateText(now) +
                               u"</a><br><br>\r\n");
        reporter.DispErr(u"目次ページを作成しました。", list, u"", u"MakeContents");
    }
}

std::u16string topicFileName(std::int32_t number)
{
    return text::zeroPadded(number, 5) + u".html";
}

std::u16string topicLinkLine(std::int32_t number, std::u16string_view headline)
{
    return u"<a href=\"" + topicFileName(number) + u"\">" + extract::PlainText(headline) + u"</a><br><br>\r\n";
}

void WriteTopicFile(const run::RunState& state, const std::u16string& article, std::int32_t number)
{
    writeOutput(state.DataPath + topicFileName(number), u"<html>\r\n" + article + u"\r\n</html>\r\n");
}

} // namespace vz::gather
