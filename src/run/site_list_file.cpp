#include "site_list_file.h"

#include "run/file_helpers.h"
#include "run/string_helpers.h"
#include "run/text.h"
#include "run/text_file.h"

namespace vz::run {

namespace {

constexpr std::array<std::u16string SiteRecord::*, SiteRecord::kFieldCount> kFields{
    &SiteRecord::IndexName,       &SiteRecord::IndexAddress,    &SiteRecord::ServerAddressHeader,
    &SiteRecord::FileName,        &SiteRecord::FilterIndex1,    &SiteRecord::FilterIndex2,
    &SiteRecord::FilterHeadline1, &SiteRecord::FilterHeadline2, &SiteRecord::FilterText1,
    &SiteRecord::FilterText2,     &SiteRecord::TagOption,       &SiteRecord::TableOption,
    &SiteRecord::PixOption,       &SiteRecord::NrPage,          &SiteRecord::minPix,
};

} // namespace

std::u16string& SiteRecord::field(int index)
{
    return this->*kFields.at(static_cast<std::size_t>(index));
}

const std::u16string& SiteRecord::field(int index) const
{
    return this->*kFields.at(static_cast<std::size_t>(index));
}

int splitSiteLine(std::u16string line, SiteRecord& site)
{
    int index = 0;
    do {
        const auto tab = line.find(u'\t');
        if (tab == std::u16string::npos) {
            site.field(index) = std::move(line);
            line.clear();
        } else {
            site.field(index) = line.substr(0, tab);
            line.erase(0, tab + 1);
        }
        ++index;
    } while (!line.empty() && index < SiteRecord::kFieldCount);
    return index;
}

SiteRecord parseSiteLine(std::u16string line)
{
    SiteRecord site;
    splitSiteLine(std::move(line), site);
    return site;
}

std::u16string siteLine(const SiteRecord& site)
{
    std::u16string line = site.field(0);
    for (int i = 1; i < SiteRecord::kFieldCount; ++i) {
        line += u'\t';
        line += site.field(i);
    }
    return line;
}

RunSettings parseSettingsLine(std::u16string line)
{
    RunSettings s;
    s.FitToScreen = NextField(line) == u"E";
    s.NrLtrLine = NextField(line);
    s.DataPath = NextField(line);
    if (!s.DataPath.empty()) {
        s.DataPath = withFolderEnd(std::move(s.DataPath));
    }
    s.AutoStart = NextField(line) == u"AUTO";
    s.DailySort = NextField(line) == u"DAILY";
    s.NrPage = NextField(line);
    s.Contents = NextField(line) == u"CONTENTS";
    s.SeparateTopicFiles = NextField(line) == u"SEPARATETOPICFILES";
    return s;
}

std::u16string settingsLine(const RunSettings& s)
{
    return std::u16string(s.FitToScreen ? u"E" : u"J") + u'\t' + s.NrLtrLine + u'\t' + s.DataPath + u'\t' +
           (s.AutoStart ? u"AUTO" : u"NOAUTO") + u'\t' + (s.DailySort ? u"DAILY" : u"NODAILY") + u'\t' + s.NrPage +
           u'\t' + (s.Contents ? u"CONTENTS" : u"NOCONTENTS") + u'\t' +
           (s.SeparateTopicFiles ? u"SEPARATETOPICFILES" : u"NOSEPARATETOPICFILES");
}

std::u16string defaultSettingsLine()
{
    return u"J\t0\t/tmp/news\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATEFILES";
}

SiteTable buildSiteTable(const std::vector<std::u16string>& siteLines, std::int16_t siteCount)
{
    SiteTable table;
    const int rows = siteCount < 0 ? 0 : siteCount;
    table.rows.resize(static_cast<std::size_t>(rows) + 1);
    int taken = 0;
    for (const auto& line : siteLines) {
        if (taken >= rows) {
            break;
        }
        if (!line.empty() && line.front() == u'\'') {
            continue;
        }
        table.rows[static_cast<std::size_t>(taken++)] = parseSiteLine(line);
    }
    return table;
}

EditSiteTable buildEditSiteTable(const std::vector<std::u16string>& siteLines, std::int16_t editSiteCount)
{
    EditSiteTable table;
    const int count = editSiteCount < 0 ? 0 : editSiteCount;
    const auto rows = static_cast<std::size_t>(count + EditSiteTable::kSpareRows);
    table.rows.resize(rows);
    table.SiteEnabled.assign(rows, false);
    int taken = 0;
    for (const auto& line : siteLines) {
        if (taken >= count) {
            break;
        }
        const auto row = static_cast<std::size_t>(taken++);
        table.rows[row] = parseSiteLine(line);
        std::u16string& name = table.rows[row].IndexName;
        table.SiteEnabled[row] = name.empty() || name.front() != u'\'';
        if (!table.SiteEnabled[row]) {
            name.erase(0, 1);
        }
    }
    return table;
}

std::optional<EditLoad> loadForEditing(Reporter& reporter, const std::u16string& path, const std::u16string& procedure)
{
    std::string error;
    auto lines = readTextLines(text::toPath(path), error);
    if (!lines) {
        reporter.DispErr(u"サイトリストファイルを読めませんでした。", path, because(text::fromUtf8(error)), procedure);
        return std::nullopt;
    }
    if (lines->empty()) {
        reporter.DispErr(u"ファイルの終わりを超えて入力しようとしました。", path, because(u"空のファイルです"),
                         procedure);
        return std::nullopt;
    }
    if (lines->size() - 1 > static_cast<std::size_t>(kMaxSiteLines)) {
        reporter.DispErr(u"サイトが多すぎます。", path,
                         because(text::number(static_cast<long long>(lines->size() - 1)) + u" 行、上限 " +
                                 text::number(kMaxSiteLines) + u" 行"),
                         procedure);
        return std::nullopt;
    }
    EditLoad load;
    load.settings = parseSettingsLine((*lines)[0]);
    load.EditSiteCount = static_cast<std::int16_t>(lines->size() - 1);
    lines->erase(lines->begin());
    load.table = buildEditSiteTable(*lines, load.EditSiteCount);
    return load;
}

std::u16string siteListText(const RunSettings& settings, const EditSiteTable& table)
{
    std::u16string out = settingsLine(settings) + u"\r\n";
    for (std::size_t row = 0; row < table.rows.size(); ++row) {
        SiteRecord site = table.rows[row];
        if (row < table.SiteEnabled.size() && !table.SiteEnabled[row]) {
            site.IndexName.insert(0, 1, u'\'');
        }
        const std::u16string line = siteLine(site);
        if (VisibleChars(line).size() > 1) {
            out += line + u"\r\n";
        }
    }
    return out;
}

bool writeSiteListFile(Reporter& reporter, const std::u16string& path, const RunSettings& settings,
                       const EditSiteTable& table, const std::u16string& procedure)
{
    return writeTextFile(reporter, path, siteListText(settings, table), procedure);
}

} // namespace vz::run
