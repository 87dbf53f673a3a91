#include "config_editor.h"

#include <algorithm>
#include <filesystem>

#include "run/output_file_name.h"
#include "run/string_helpers.h"
#include "run/text.h"

namespace vz::edit {

ConfigEditor::ConfigEditor(run::RunState& state, run::Reporter& reporter, platform::Messages& messages,
                           platform::FileDialogs& dialogs, platform::Messages* detailMessages)
    : days(state, reporter, messages, dialogs), m_state(state), m_reporter(reporter), m_messages(messages),
      m_dialogs(dialogs), m_detail(*this, detailMessages ? *detailMessages : messages)
{
}

ConfigEditor::OpenOutcome ConfigEditor::requestOpen(const std::u16string& iniPath, bool fromDef)
{
    if (m_open && iniPath == m_loadedPath) {
        m_state.EditIniPath = m_loadedPath;
        fFromDef = fFromDef || fromDef;
        return OpenOutcome::BroughtToFront;
    }
    if (m_open && hasUnsavedChanges() && !m_messages.askOkCancel(u"変更を保存せずこの画面を閉じてもいいですか?")) {
        m_state.EditIniPath = m_loadedPath;
        return OpenOutcome::Refused;
    }
    m_state.EditIniPath = iniPath;
    fFromDef = fromDef;
    open();
    return OpenOutcome::Opened;
}

void ConfigEditor::open()
{
    m_open = true;
    m_loadedPath = m_state.EditIniPath;
    m_currentTop = 0;
    m_id = 0;
    // The detail window belongs to the table being replaced.
    m_detail.closeQuietly();
    days.FillDayNames();
    // Without a weekday table the sites are still loaded, so that OK cannot write an empty table
    // over them; saving creates the weekday table.
    days.ReadDayAssignment();

    settings = run::RunSettings{};
    auto load = run::loadForEditing(m_reporter, m_loadedPath, u"Config");
    m_loaded = load.has_value();
    if (load) {
        settings = std::move(load->settings);
        m_table = std::move(load->table);
        m_state.EditSiteCount = load->EditSiteCount;
    } else {
        m_table = run::EditSiteTable{};
        m_state.EditSiteCount = 0;
    }
    m_loadedText = fileText(m_table);
    LoadConfig(0);
}

std::u16string ConfigEditor::caption() const
{
    return u"Configuration : " + run::FileNameOnly(m_loadedPath);
}

std::optional<ImportStart> ConfigEditor::cmdImport()
{
    const auto source = chooseImportSource(m_dialogs, m_reporter, m_state.EditIniPath, m_state.ProgramFolder);
    if (!source) {
        return std::nullopt;
    }
    StorePage(m_currentTop);
    return prepareImport(*source, m_table, m_state.EditSiteCount);
}

void ConfigEditor::LoadConfig(int top)
{
    for (int i = 0; i < kPageRows; ++i) {
        const int r = top + i;
        PageRow& shown = m_page[static_cast<std::size_t>(i)];
        if (rowExists(r)) {
            const auto row = static_cast<std::size_t>(r);
            shown = {m_table.SiteEnabled[row], m_table.rows[row].IndexName, m_table.rows[row].FileName, true};
        } else {
            shown = PageRow{};
        }
    }
    changed();
}

void ConfigEditor::tableReplaced()
{
    m_currentTop = 0;
    LoadConfig(0);
}

void ConfigEditor::StorePage(int top)
{
    for (int i = 0; i < kPageRows; ++i) {
        const int r = top + i;
        const PageRow& shown = m_page[static_cast<std::size_t>(i)];
        if (shown.present && rowExists(r)) {
            const auto row = static_cast<std::size_t>(r);
            m_table.SiteEnabled[row] = shown.valid;
            m_table.rows[row].IndexName = shown.SiteName;
            m_table.rows[row].FileName = shown.FileName;
        }
    }
}

void ConfigEditor::setValid(int i, bool checked)
{
    if (i >= 0 && i < kPageRows && m_page[static_cast<std::size_t>(i)].present) {
        m_page[static_cast<std::size_t>(i)].valid = checked;
    }
}

void ConfigEditor::setSiteName(int i, const std::u16string& name)
{
    if (i >= 0 && i < kPageRows && m_page[static_cast<std::size_t>(i)].present) {
        m_page[static_cast<std::size_t>(i)].SiteName = name;
    }
}

void ConfigEditor::setFileName(int i, const std::u16string& name)
{
    if (i >= 0 && i < kPageRows && m_page[static_cast<std::size_t>(i)].present) {
        m_page[static_cast<std::size_t>(i)].FileName = name;
    }
}

void ConfigEditor::nextPage()
{
    StorePage(m_currentTop);
    if (fwdEnabled()) {
        m_currentTop += kPageRows;
        LoadConfig(m_currentTop);
    }
}

void ConfigEditor::previousPage()
{
    StorePage(m_currentTop);
    if (m_currentTop >= kPageRows) {
        m_currentTop -= kPageRows;
        LoadConfig(m_currentTop);
    }
}

void ConfigEditor::checkAll()
{
    // Text typed on the page is kept: only the switches change.
    StorePage(m_currentTop);
    const auto rows = std::min<std::size_t>(m_table.SiteEnabled.size(), std::max<int>(m_state.EditSiteCount, 0));
    std::fill_n(m_table.SiteEnabled.begin(), rows, true);
    LoadConfig(m_currentTop);
}

void ConfigEditor::uncheckAll()
{
    StorePage(m_currentTop);
    const auto rows = std::min<std::size_t>(m_table.SiteEnabled.size(), std::max<int>(m_state.EditSiteCount, 0));
    std::fill_n(m_table.SiteEnabled.begin(), rows, false);
    LoadConfig(m_currentTop);
}

void ConfigEditor::openDetail(int i)
{
    m_id = m_currentTop + i;
    StorePage(m_currentTop);
    if (rowExists(m_id)) {
        m_detail.open(m_id);
    }
    changed();
}

void ConfigEditor::deleteRow(int i)
{
    m_id = m_currentTop + i;
    if (m_messages.askOkCancel(u"このサイトを削除してもいいですか?")) {
        // What was typed on the other rows of the page stays.
        StorePage(m_currentTop);
        DeleteIndex(m_id);
    }
}

void ConfigEditor::DeleteIndex(int row)
{
    if (rowExists(row)) {
        m_table.SiteEnabled[static_cast<std::size_t>(row)] = false;
        m_table.rows[static_cast<std::size_t>(row)] = run::SiteRecord{};
        // A detail window on this row now shows it emptied, so its OK cannot bring the site back
        // unseen.
        if (m_detail.isOpen() && m_detail.row() == row) {
            m_detail.open(row);
        }
    }
    LoadConfig(m_currentTop);
}

bool ConfigEditor::close()
{
    if (!m_messages.askOkCancel(u"変更を保存せずこの画面を閉じてもいいですか?")) {
        return false;
    }
    m_detail.closeQuietly();
    m_open = false;
    changed();
    return true;
}

bool ConfigEditor::closedByTitleBar()
{
    if (hasUnsavedChanges()) {
        return close();
    }
    m_detail.closeQuietly();
    m_open = false;
    changed();
    return true;
}

void ConfigEditor::closeQuietly()
{
    m_detail.closeQuietly();
    m_open = false;
    changed();
}

bool ConfigEditor::mayBeSaved()
{
    // Saving closes the detail window; what it holds that OK did not store would go with it.
    if (m_detail.hasUnsavedChanges() &&
        !m_messages.askOkCancel(
            u"詳細画面で変えたところは、まだ表に入っていません。それを捨てて保存してもいいですか?")) {
        return false;
    }
    if (const auto problem = entryProblem()) {
        m_messages.alert(*problem);
        return false;
    }
    if (const auto shared = sharedOutputFile()) {
        return m_messages.askOkCancel(*shared + u"このまま保存してもいいですか?");
    }
    return true;
}

bool ConfigEditor::OK()
{
    if (!mayBeSaved() || !m_messages.askOkCancel(u"変更を保存してもいいですか?")) {
        return false;
    }
    std::error_code ec;
    if (!m_loaded && std::filesystem::exists(text::toPath(m_loadedPath), ec)) {
        m_reporter.DispErr(u"開いたときに読めなかった.iniファイルなので、書き換えません", m_loadedPath, u"", u"cmdOK");
        return false;
    }
    m_state.EditIniPath = m_loadedPath;
    return save(u"cmdOK");
}

bool ConfigEditor::saveAs()
{
    if (!mayBeSaved()) {
        return false;
    }
    const platform::FileDialogResult chosen = m_dialogs.show(days.saveIniRequest(m_loadedPath));
    if (chosen.outcome == platform::FileDialogResult::Outcome::Cancelled) {
        return false;
    }
    if (chosen.outcome == platform::FileDialogResult::Outcome::Failed) {
        m_reporter.DispErr(chosen.error, m_state.EditIniPath, u"", u"cmdSaveAs");
        return false;
    }
    if (!m_messages.askOkCancel(u"変更を" + chosen.path + u"に保存してもいいですか?")) {
        return false;
    }
    m_state.EditIniPath = chosen.path;
    if (save(u"cmdSaveAs")) {
        m_loadedPath = chosen.path;
        return true;
    }
    // Nothing was written under the new name: the window stays on the file it loaded.
    m_state.EditIniPath = m_loadedPath;
    return false;
}

bool ConfigEditor::save(const std::u16string& procedure)
{
    // The questions about the weekdays come first, and a copy of the unedited file is taken
    // before the file is replaced; the weekday table is written only once the file it names is.
    const run::WeekdayTable before = days.DayIni;
    if (days.chkChgIni) {
        days.AssignAllDays();
    }
    const DayAssignment::Planned planned = days.PlanDayAssignment();
    StorePage(m_currentTop);
    if (!SaveIni(m_state.EditIniPath, procedure)) {
        days.DayIni = before;
        return false;
    }
    if (planned.write) {
        days.writeTable();
    }
    if ((planned.reload || fFromDef) && LoadDef) {
        LoadDef();
    }
    m_detail.closeQuietly();
    m_open = false;
    changed();
    if (saved) {
        saved();
    }
    return true;
}

bool ConfigEditor::SaveIni(const std::u16string& path, const std::u16string& procedure)
{
    return run::writeSiteListFile(m_reporter, path, settings, m_table, procedure);
}

run::EditSiteTable ConfigEditor::tableWithPage() const
{
    run::EditSiteTable table = m_table;
    for (int i = 0; i < kPageRows; ++i) {
        const auto r = static_cast<std::size_t>(m_currentTop + i);
        const PageRow& shown = m_page[static_cast<std::size_t>(i)];
        if (shown.present && r < table.rows.size()) {
            table.SiteEnabled[r] = shown.valid;
            table.rows[r].IndexName = shown.SiteName;
            table.rows[r].FileName = shown.FileName;
        }
    }
    return table;
}

std::u16string ConfigEditor::fileText(const run::EditSiteTable& table) const
{
    return run::siteListText(settings, table);
}

bool ConfigEditor::hasUnsavedChanges() const
{
    return fileText(tableWithPage()) != m_loadedText || m_detail.hasUnsavedChanges();
}

namespace {

std::u16string rowName(std::size_t row, const run::SiteRecord& site)
{
    return text::number(static_cast<long long>(row + 1)) + u"行目「" + site.IndexName + u"」";
}

} // namespace

std::optional<std::u16string> ConfigEditor::entryProblem() const
{
    if (!run::CInt(settings.NrLtrLine).ok()) {
        return u"１行文字数には -32768 から 32767 までの数を入れてください: 「" + settings.NrLtrLine + u"」";
    }
    const run::EditSiteTable table = tableWithPage();
    for (std::size_t row = 0; row < table.rows.size(); ++row) {
        const run::SiteRecord& site = table.rows[row];
        // A site still without a file name is being entered; the run reports it if it comes to that.
        if (text::Trim(site.IndexName).empty() || site.FileName.empty()) {
            continue;
        }
        if (const auto problem = run::outputFileNameProblem(site.FileName)) {
            return rowName(row, site) + u"の出力ファイル名: " + *problem;
        }
    }
    return std::nullopt;
}

std::optional<std::u16string> ConfigEditor::sharedOutputFile() const
{
    const run::EditSiteTable table = tableWithPage();
    for (std::size_t later = 0; later < table.rows.size(); ++later) {
        const run::SiteRecord& site = table.rows[later];
        if (text::Trim(site.IndexName).empty() || site.FileName.empty()) {
            continue;
        }
        for (std::size_t earlier = 0; earlier < later; ++earlier) {
            const run::SiteRecord& other = table.rows[earlier];
            if (!text::Trim(other.IndexName).empty() && other.FileName == site.FileName) {
                return rowName(earlier, other) + u"と" + rowName(later, site) + u"が同じ出力ファイル「" +
                       site.FileName + u"」に書き込みます。";
            }
        }
    }
    return std::nullopt;
}

int ConfigEditor::pageCount() const
{
    // The last page begins at the first multiple of ten past EditSiteCount.
    return std::max<int>(m_state.EditSiteCount, 0) / kPageRows + 2;
}

void ConfigEditor::changed()
{
    if (onChanged) {
        onChanged();
    }
}

} // namespace vz::edit
