#include "config_detail.h"

#include "edit/config_editor.h"
#include "run/string_helpers.h"

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

ConfigDetail::ConfigDetail(ConfigEditor& editor, platform::Messages& messages) : m_editor(editor), m_messages(messages)
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

std::u16string ConfigDetail::caption() const
{
    return u"Detail of Index : " + run::FileNameOnly(m_editor.state().CurrentIniPath);
}

bool ConfigDetail::OK()
{
    if (!m_open || !m_messages.askOkCancel(u"変更を保存してもいいですか?")) {
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
