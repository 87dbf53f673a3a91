#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/messages.h"
#include "run/run_state.h"
#include "run/site_list_file.h"

namespace vz::edit {

/// What the site detail window needs of the configuration editor it belongs to.
class DetailOwner
{
public:
    virtual ~DetailOwner() = default;
    virtual run::EditSiteTable& table() = 0;
    virtual const run::RunSettings& editedSettings() const = 0;
    virtual const run::RunState& state() const = 0;
    virtual int CurrentTop() const = 0;
    virtual void LoadConfig(int top) = 0;
    virtual void DeleteIndex(int row) = 0;
    virtual void changed() = 0;
};

/// The site detail window's values: every field of one row of the editor's table.
struct DetailForm
{
    enum class TableChoice { optKeepTable, optTableTag, optAllTable };

    /// The text fields as their boxes hold them; TagOption, TableOption and PixOption are not used
    /// here but through the three choices below.
    run::SiteRecord fields;
    bool chkAllTag = false;
    bool chkPix = false;
    TableChoice table = TableChoice::optKeepTable;

    static DetailForm fromRow(const run::SiteRecord& row);
    /// The row as OK stores it: the texts as typed, the options as their keywords.
    run::SiteRecord toRow() const;
    /// What keeps OK from storing the form, naming the field: a count that is not a whole number,
    /// an output file name that would write outside the data folder.
    std::optional<std::u16string> problem() const;

    bool operator==(const DetailForm&) const = default;
};

/// What the site detail window decides. It is bound to one row of the configuration editor's
/// table while it is open, so OK and delete always act on the row it shows.
class ConfigDetail
{
public:
    ConfigDetail(DetailOwner& editor, platform::Messages& messages);

    /// Binds the window to row `row` and fills the form from it; an open window is refilled.
    void open(int row);
    bool isOpen() const { return m_open; }
    /// The row the window is bound to.
    int row() const { return m_row; }
    /// Counts every binding, so the window knows when to refill its boxes.
    int binding() const { return m_binding; }
    /// "Detail of Index : " and the name of the run's site list file.
    std::u16string caption() const;
    /// The settings line as the configuration window holds it, saved or not: a site tried here
    /// is tried with them.
    const run::RunSettings& runSettings() const;

    /// The boxes' values; the window writes them here before OK.
    DetailForm form;

    /// OK: asks, then StoreDetail and closes. Returns whether the window closed.
    bool OK();
    /// Delete: asks, then DeleteIndex of the bound row and closes.
    bool deleteSite();
    /// Close: asks, then closes without storing.
    bool close();
    /// Closed along with the configuration window, without asking.
    void closeQuietly() { m_open = false; }
    /// Whether the form holds what OK has not yet stored into its row.
    bool hasUnsavedChanges() const;

    /// Copies the form into row `row` and refreshes the configuration window's page.
    void StoreDetail(int row);

private:
    DetailOwner& m_editor;
    platform::Messages& m_messages;
    bool m_open = false;
    int m_row = 0;
    int m_binding = 0;
};

} // namespace vz::edit
