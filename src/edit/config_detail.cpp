#include "config_detail.h"

#include "run/output_file_name.h"
#include "run/string_helpers.h"
#include "run/text.h"

namespace vz::edit {

DetailForm DetailForm::fromRow(const run::SiteRecord& row)
{
    DetailForm form;
    form.fields = row;
    if (!form.fields.IndexName.empty() && form.fields.IndexName.front() == u'\'') {
        form.fields.IndexName.erase(0, 1);
    }
    form.chkAllTag = row.TagOption == u"RemoveAll";
    form.chkPix = row.PixOption == u"KeepPix";
    if (row.TableOption == u"RemoveTableTag") {
        form.table = TableChoice::optTableTag;
    } else if (row.TableOption == u"RemoveTable") {
        form.table = TableChoice::optAllTable;
    }
    return form;
}

run::SiteRecord DetailForm::toRow() const
{
    run::SiteRecord row = fields;
    row.TagOption = chkAllTag ? u"RemoveAll" : u"";
    row.PixOption = chkPix ? u"KeepPix" : u"";
    switch (table) {
    case TableChoice::optKeepTable:
        row.TableOption.clear();
        break;
    case TableChoice::optTableTag:
        row.TableOption = u"RemoveTableTag";
        break;
    case TableChoice::optAllTable:
        row.TableOption = u"RemoveTable";
        break;
    }
    return row;
}

namespace {

/// Empty, or a whole number from 0 to `largest`.
bool countOrEmpty(const std::u16string& field, double largest)
{
    const std::u16string value = text::Trim(field);
    if (value.empty()) {
        return true;
    }
    if (value.size() > 10 || value.find_first_not_of(u"0123456789") != std::u16string::npos) {
        return false;
    }
    return run::Val(value) <= largest;
}

} // namespace

std::optional<std::u16string> DetailForm::problem() const
{
    if (!countOrEmpty(fields.NrPage, 32767)) {
        return u"ダウンロード記事数には 0 から 32767 までの数を入れるか、空にしてください: 「" + fields.NrPage + u"」";
    }
    if (!countOrEmpty(fields.minPix, 2147483647)) {
        return u"最小サイズには 0 以上のバイト数を入れるか、空にしてください: 「" + fields.minPix + u"」";
    }
    if (!fields.FileName.empty()) {
        if (const auto name = run::outputFileNameProblem(fields.FileName)) {
            return *name;
        }
    }
    return std::nullopt;
}

ConfigDetail::ConfigDetail(DetailOwner& editor, platform::Messages& messages) : m_editor(editor), m_messages(messages)
{
}

void ConfigDetail::open(int row)
{
    m_row = row;
    ++m_binding;
    m_open = true;
    const auto& rows = m_editor.table().rows;
    form = row >= 0 && static_cast<std::size_t>(row) < rows.size()
               ? DetailForm::fromRow(rows[static_cast<std::size_t>(row)])
               : DetailForm{};
}

bool ConfigDetail::hasUnsavedChanges() const
{
    const auto& rows = m_editor.table().rows;
    return m_open && m_row >= 0 && static_cast<std::size_t>(m_row) < rows.size() &&
           form != DetailForm::fromRow(rows[static_cast<std::size_t>(m_row)]);
}

const run::RunSettings& ConfigDetail::runSettings() const
{
    return m_editor.editedSettings();
}

std::u16string ConfigDetail::caption() const
{
    return u"Detail of Index : " + run::FileNameOnly(m_editor.state().CurrentIniPath);
}

bool ConfigDetail::OK()
{
    if (!m_open) {
        return false;
    }
    if (const auto problem = form.problem()) {
        m_messages.alert(*problem);
        return false;
    }
    if (!m_messages.askOkCancel(u"変更を保存してもいいですか?")) {
        return false;
    }
    m_open = false;
    StoreDetail(m_row);
    return true;
}

bool ConfigDetail::deleteSite()
{
    if (!m_open || !m_messages.askOkCancel(u"このサイトを削除してもいいですか?")) {
        return false;
    }
    m_open = false;
    m_editor.DeleteIndex(m_row);
    return true;
}

bool ConfigDetail::close()
{
    if (!m_open || !m_messages.askOkCancel(u"変更を保存せずこの画面を閉じてもいいですか?")) {
        return false;
    }
    m_open = false;
    m_editor.changed();
    return true;
}

void ConfigDetail::StoreDetail(int row)
{
    auto& rows = m_editor.table().rows;
    if (row >= 0 && static_cast<std::size_t>(row) < rows.size()) {
        rows[static_cast<std::size_t>(row)] = form.toRow();
    }
    m_editor.LoadConfig(m_editor.CurrentTop());
}

} // namespace vz::edit
