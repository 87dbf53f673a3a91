#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "run/reporter.h"

namespace vz::run {

/// One site of a site list file: fifteen text fields, taken character for character.
struct SiteRecord
{
    std::u16string IndexName;
    std::u16string IndexAddress;
    std::u16string ServerAddressHeader;
    std::u16string FileName;
    std::u16string FilterIndex1;
    std::u16string FilterIndex2;
    std::u16string FilterHeadline1;
    std::u16string FilterHeadline2;
    std::u16string FilterText1;
    std::u16string FilterText2;
    std::u16string TagOption;
    std::u16string TableOption;
    std::u16string PixOption;
    std::u16string NrPage;
    std::u16string minPix;

    static constexpr int kFieldCount = 15;
    /// Field by its number in the file, 0 to 14.
    std::u16string& field(int index);
    const std::u16string& field(int index) const;

    bool operator==(const SiteRecord&) const = default;
};

/// A site line split into its fields: text beyond the fifteenth field is dropped, fields that
/// receive nothing stay empty. The "'" of a switched-off site is still part of IndexName.
SiteRecord parseSiteLine(std::u16string line);
/// Splits a site line into `site` by the same rule, writing only the fields the line reaches, so
/// the others keep what they held. Returns how many fields were written.
int splitSiteLine(std::u16string line, SiteRecord& site);
/// Fields 0 to 14 joined by TABs.
std::u16string siteLine(const SiteRecord& site);

/// The run's switched-on sites, rows 0 to SiteCount in file order; the rows after the last site
/// stay empty. A row whose IndexName is empty counts as no site.
struct SiteTable
{
    std::vector<SiteRecord> rows;
};

/// The editor's copy: every site with its SiteEnabled flag, plus 20 spare rows.
struct EditSiteTable
{
    static constexpr int kSpareRows = 20;
    std::vector<SiteRecord> rows;
    std::vector<bool> SiteEnabled;
};

/// The settings line as the editor writes it.
struct RunSettings
{
    bool FitToScreen = false;
    std::u16string NrLtrLine = u"0";
    std::u16string DataPath;
    bool AutoStart = false;
    bool DailySort = false;
    std::u16string NrPage;
    bool Contents = false;
    bool SeparateTopicFiles = false;

    bool operator==(const RunSettings&) const = default;
};

/// Reads a settings line as the configuration window shows it: keywords exact and
/// case-sensitive, fields trimmed, "/" appended to a data folder that lacks one (an empty one stays
/// empty, as it means the program folder).
RunSettings parseSettingsLine(std::u16string line);
std::u16string settingsLine(const RunSettings& settings);

/// Most site lines a file may hold: row numbers, spare rows included, are 16-bit.
constexpr int kMaxSiteLines = 32767 - EditSiteTable::kSpareRows;

/// Run table from the site lines (the file's lines after the first): switched-off lines take no
/// row, any other line (a blank one too) takes the next; at most siteCount rows are filled.
SiteTable buildSiteTable(const std::vector<std::u16string>& siteLines, std::int16_t siteCount);

/// Editor table from the site lines: every line takes a row.
EditSiteTable buildEditSiteTable(const std::vector<std::u16string>& siteLines, std::int16_t editSiteCount);

/// A site list file loaded for editing.
struct EditLoad
{
    RunSettings settings;
    EditSiteTable table;
    std::int16_t EditSiteCount = 0;
};

/// Loads a site list file for editing; reports and returns nullopt when it cannot be read or has
/// more lines than the row numbers hold.
std::optional<EditLoad> loadForEditing(Reporter& reporter, const std::u16string& path, const std::u16string& procedure);

/// The whole file text: the settings line, then one line per row that holds more than one
/// visible character, switched-off rows marked with "'". Every row of the table counts, so a site
/// typed into a spare row of a file that had none is written too.
std::u16string siteListText(const RunSettings& settings, const EditSiteTable& table);

/// Writes a site list file; false after a report under `procedure`, the old file left as it was.
bool writeSiteListFile(Reporter& reporter, const std::u16string& path, const RunSettings& settings,
                       const EditSiteTable& table, const std::u16string& procedure);

/// The settings line of a newly created site list file.
std::u16string defaultSettingsLine();

} // namespace vz::run
