#include "site_import.h"

#include <algorithm>
#include <set>

#include "edit/day_assignment.h"
#include "run/string_helpers.h"
#include "run/text.h"
#include "run/text_file.h"

namespace vz::edit {

namespace {

bool holdsAnything(const run::SiteRecord& site)
{
    for (int field = 0; field < run::SiteRecord::kFieldCount; ++field) {
        if (!site.field(field).empty()) {
            return true;
        }
    }
    return false;
}

} // namespace

int namedRowCount(const run::EditSiteTable& table, std::int16_t editSiteCount)
{
    if (editSiteCount < 1) {
        return 0;
    }
    const auto rows =
        std::min(table.rows.size(), static_cast<std::size_t>(editSiteCount) + run::EditSiteTable::kSpareRows);
    return static_cast<int>(
        std::count_if(table.rows.begin(), table.rows.begin() + static_cast<std::ptrdiff_t>(rows),
                      [](const run::SiteRecord& site) { return !text::Trim(site.IndexName).empty(); }));
}

std::optional<std::u16string> chooseImportSource(platform::FileDialogs& dialogs, run::Reporter& reporter,
                                                 const std::u16string& editIniPath, const std::u16string& programFolder)
{
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogRequest::Kind::Open;
    request.title = u"読み込む.iniファイルを選択";
    request.initialName = iniPattern(editIniPath, programFolder);
    const auto result = dialogs.show(request);
    switch (result.outcome) {
    case platform::FileDialogResult::Outcome::Chosen:
        return result.path;
    case platform::FileDialogResult::Outcome::Failed:
        reporter.DispErr(result.error, editIniPath, u"", u"cmdImport");
        return std::nullopt;
    case platform::FileDialogResult::Outcome::Cancelled:
        break;
    }
    return std::nullopt;
}

ImportStart prepareImport(const std::u16string& srcfile, const run::EditSiteTable& table, std::int16_t editSiteCount)
{
    ImportStart start;
    start.srcfile = srcfile;
    start.caption = u"Import .ini : " + run::FileNameOnly(srcfile);
    start.CurNrConfig = text::number(namedRowCount(table, editSiteCount));
    return start;
}

std::u16string sourceEntry(const std::u16string& line)
{
    const std::size_t from = !line.empty() && line.front() == u'\'' ? 1 : 0;
    const auto tab = line.find(u'\t', from);
    return line.substr(from, tab == std::u16string::npos ? std::u16string::npos : tab - from);
}

void takeSourceLine(run::EditSiteTable& table, std::size_t row, const std::u16string& line)
{
    if (text::Trim(line).empty()) {
        return;
    }
    run::SiteRecord& site = table.rows.at(row);
    run::splitSiteLine(line, site);
    const bool on = site.IndexName.empty() || site.IndexName.front() != u'\'';
    if (!on) {
        site.IndexName.erase(0, 1);
    }
    table.SiteEnabled.at(row) = on;
}

SiteImport::SiteImport(ImportStart start, run::EditSiteTable& table, std::int16_t& editSiteCount,
                       run::Reporter& reporter, platform::Messages& messages, std::function<void()> LoadConfig,
                       std::function<void()> StorePage)
    : m_start(std::move(start)), m_table(table), m_editSiteCount(editSiteCount), m_reporter(reporter),
      m_messages(messages), m_loadConfig(std::move(LoadConfig)), m_storePage(std::move(StorePage))
{
}

std::size_t SiteImport::appendStart() const
{
    const auto& rows = m_table.rows;
    const auto last = std::find_if(rows.rbegin(), rows.rend(), holdsAnything);
    return static_cast<std::size_t>(rows.rend() - last);
}

std::optional<std::u16string> SiteImport::replacedName(std::size_t destination) const
{
    return destination < m_replacedNames.size() ? m_replacedNames[destination] : std::nullopt;
}

std::optional<std::vector<std::u16string>> SiteImport::readSource(const std::u16string& procedure, std::size_t needed)
{
    std::string error;
    auto lines = run::readTextLines(text::toPath(m_start.srcfile), error);
    if (!lines) {
        m_reporter.DispErr(text::fromUtf8(error), m_start.srcfile, u"", procedure);
        return std::nullopt;
    }
    if (!lines->empty()) {
        lines->erase(lines->begin()); // the settings line
    }
    if (lines->size() < needed) {
        // The source lost lines after they were listed.
        m_reporter.DispErr(u"読み込み元のファイルの行が一覧を作った後に減りました", m_start.srcfile, u"", procedure);
        return std::nullopt;
    }
    return lines;
}

bool SiteImport::checkRows(std::size_t newCount, const std::u16string& procedure)
{
    if (newCount <= static_cast<std::size_t>(run::kMaxSiteLines)) {
        return true;
    }
    m_reporter.DispErr(u"サイトが多すぎます: 表が" + text::number(static_cast<long long>(newCount)) +
                           u"行になります（" + text::number(run::kMaxSiteLines) + u"行まで）",
                       m_start.srcfile, u"", procedure);
    return false;
}

void SiteImport::storePage()
{
    if (m_storePage) {
        m_storePage();
    }
}

run::EditSiteTable SiteImport::rebuild(std::size_t rows)
{
    storePage();
    run::EditSiteTable table = m_table;
    rows = std::max(rows, table.rows.size());
    table.rows.resize(rows);
    table.SiteEnabled.resize(rows, false);
    return table;
}

bool SiteImport::finishAppend(run::EditSiteTable table, int newCount, int count)
{
    m_table = std::move(table);
    m_editSiteCount = static_cast<std::int16_t>(newCount);
    m_messages.information(u" " + text::number(count) + u"件iniファイルに読み込みました。");
    m_loadConfig();
    return true;
}

bool SiteImport::importAll()
{
    const auto lines = readSource(u"cmdImportAll", 0);
    if (!lines) {
        return false;
    }
    storePage();
    const std::size_t start = appendStart();
    const std::size_t newCount = start + lines->size();
    if (!checkRows(newCount, u"cmdImportAll")) {
        return false;
    }
    run::EditSiteTable table = rebuild(newCount + run::EditSiteTable::kSpareRows);
    for (std::size_t j = 0; j < lines->size(); ++j) {
        takeSourceLine(table, start + j, (*lines)[j]);
    }
    return finishAppend(std::move(table), static_cast<int>(newCount), static_cast<int>(lines->size()));
}

void SiteImport::fillSourceEntries(const std::u16string& procedure)
{
    m_sourceEntries.clear();
    m_destinationEntries.clear();
    const auto lines = readSource(procedure, 0);
    if (!lines) {
        return;
    }
    std::transform(lines->begin(), lines->end(), std::back_inserter(m_sourceEntries), sourceEntry);
}

void SiteImport::enterSelectMode()
{
    m_mode = Mode::Select;
    fillSourceEntries(u"cmdImportOne");
}

void SiteImport::enterReplaceMode()
{
    m_mode = Mode::Replace;
    fillSourceEntries(u"cmdReplace");
    storePage();
    fillDestinationEntries();
}

void SiteImport::fillDestinationEntries()
{
    m_destinationEntries.clear();
    const auto rows = std::min(m_table.rows.size(), static_cast<std::size_t>(std::max<int>(m_editSiteCount, 0)) + 1);
    for (std::size_t row = 0; row < rows; ++row) {
        m_destinationEntries.push_back(m_table.rows[row].IndexName);
    }
    m_replacedNames.resize(m_destinationEntries.size());
}

bool SiteImport::importSelected(const std::vector<int>& marked)
{
    if (m_mode != Mode::Select) {
        return false;
    }
    std::set<std::size_t> chosen;
    for (const int entry : marked) {
        if (entry >= 0 && static_cast<std::size_t>(entry) < m_sourceEntries.size()) {
            chosen.insert(static_cast<std::size_t>(entry));
        }
    }
    const auto lines = readSource(u"cmdImport", m_sourceEntries.size());
    if (!lines) {
        return false;
    }
    storePage();
    const std::size_t start = appendStart();
    const std::size_t newCount = start + chosen.size();
    if (!checkRows(newCount, u"cmdImport")) {
        return false;
    }
    run::EditSiteTable table = rebuild(newCount + run::EditSiteTable::kSpareRows);
    std::size_t next = start;
    for (const std::size_t entry : chosen) {
        const std::u16string& line = (*lines)[entry];
        if (!text::Trim(line).empty()) {
            takeSourceLine(table, next++, line);
        }
    }
    return finishAppend(std::move(table), static_cast<int>(newCount), static_cast<int>(chosen.size()));
}

bool SiteImport::replace(std::optional<int> source, std::optional<int> destination)
{
    if (m_mode != Mode::Replace || !source || !destination || *source < 0 || *destination < 0 ||
        static_cast<std::size_t>(*source) >= m_sourceEntries.size() ||
        static_cast<std::size_t>(*destination) >= m_destinationEntries.size()) {
        return false;
    }
    const auto s = static_cast<std::size_t>(*source);
    const auto d = static_cast<std::size_t>(*destination);
    const auto lines = readSource(u"cmdImport", s + 1);
    if (!lines) {
        return false;
    }
    run::EditSiteTable table = rebuild(d + 1);
    const std::u16string before = table.rows[d].IndexName;
    takeSourceLine(table, d, (*lines)[s]);
    m_table = std::move(table);
    // The list shows the row as it now is, and keeps the name it had before this window's first
    // replacement of it.
    fillDestinationEntries();
    if (!m_replacedNames[d]) {
        m_replacedNames[d] = before;
    }
    m_messages.information(before + u"を" + m_sourceEntries[s] + u"で置き換えました。");
    m_loadConfig();
    return true;
}

} // namespace vz::edit
