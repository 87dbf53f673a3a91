#pragma once

#include <string>
#include <string_view>

#include "gather/site_check.h"

/// A tried site written out for a person (plain text) or a script (JSON).
namespace vz::gather {

/// Where a tried site came from, for the report's heading.
struct CheckedRow
{
    /// Its row as the configuration window counts them (the site's line of the site list file,
    /// the settings line not counted), from 1; 0 when it comes from no file.
    int row = 0;
    bool switchedOn = true;
};

/// What a link's fate is called in a report ("取得", "飛ばす: index.htm を含む").
std::u16string fateText(LinkFate fate);
/// The word a script reads for it ("fetched", "index-page").
const char* fateKey(LinkFate fate);
/// The word a script reads for a snag ("index-start-marker").
const char* snagKey(SiteSnag::Kind kind);

/// The report as lines of text: the index page, its markers, the links, the article as it will be
/// written, the run's reports and the verdict. Page text is given as it is; a terminal needs it
/// made printable.
std::u16string reportText(const SiteCheck& check, const CheckedRow& row);

/// The report as one JSON object (UTF-8, no line breaks inside).
std::string reportJson(const SiteCheck& check, const CheckedRow& row);

/// Text as a JSON string, quotes included.
std::string jsonString(std::u16string_view text);

} // namespace vz::gather
