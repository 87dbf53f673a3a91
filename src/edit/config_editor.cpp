#include "config_editor.h"

#include <algorithm>
#include <filesystem>

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
    const auto source = chooseImportSource(m_dialogs, m_reporter, m_state.EditIniPath);
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
    m_detail.closeQuietly();
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
    const auto rows = std::min<std::size_t>(m_table.SiteEnabled.size(), std::max<int>(m_state.EditSiteCount, 0));
    std::fill_n(m_table.SiteEnabled.begin(), rows, true);
    LoadConfig(m_currentTop);
}

void ConfigEditor::uncheckAll()
{
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

void ConfigEditor::closedByTitleBar()
{
    m_open = false;
    changed();
}

bool ConfigEditor::OK()
{
    if (!m_messages.askOkCancel(u"変更を保存してもいいですか?")) {
        return false;
    }
    std::error_code ec;
    if (!m_loaded && std::filesystem::exists(text::toPath(m_loadedPath), ec)) {
        m_reporter.DispErr(u"The site list file could not be read when the window opened, so it is not replaced",
                           m_loadedPath, u"", u"cmdOK");
        return false;
    }
    m_state.EditIniPath = m_loadedPath;
    return save(u"cmdOK");
}

bool ConfigEditor::saveAs()
{
    const platform::FileDialogResult chosen = m_dialogs.show(DayAssignment::saveIniRequest());
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
    if (days.chkChgIni) {
        days.AssignAllDays();
    }
    days.SaveDayAssignment(LoadDef);
    StorePage(m_currentTop);
    if (!SaveIni(m_state.EditIniPath, procedure)) {
        return false;
    }
    if (fFromDef && LoadDef) {
        LoadDef();
    }
    m_detail.closeQuietly();
    m_open = false;
    changed();
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
    return fileText(tableWithPage()) != m_loadedText;
}

void ConfigEditor::changed()
{
    if (onChanged) {
        onChanged();
    }
}

} // namespace vz::edit
