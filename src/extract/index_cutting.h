#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "run/reporter.h"

namespace vz::extract {

/// Cuts the part of an index page that lists the articles: from the second character of
/// `FilterIndex1` up to and including the first character of the next `FilterIndex2` (both
/// searched case-sensitively). On success `page` holds the cut text and the result is that text
/// followed by CR LF. When a marker is missing the failure is reported, `page` stays as it was
/// and the result is empty.
std::u16string CutHeader(run::Reporter& reporter, std::u16string& page, std::u16string_view FilterIndex1,
                         std::u16string_view FilterIndex2);

/// An anchor of a link part that CutMsg listed no link for: its address has none of the page
/// suffixes (and none stands anywhere after it), or its tag holds no address.
struct UnlistedAnchor
{
    /// The LinkList index the next listed link takes: the anchor stands before that link.
    std::int32_t before = 0;
    /// The anchor's text from "a href" on, up to its ">" (at most a few hundred characters).
    std::u16string anchor;
};

/// Lists the article links of a link part in `LinkList`, anchor by anchor, keeping those whose
/// address looks like a page. `LinkList` is rebuilt with one empty entry per "href" plus one, and
/// grows when an anchor is listed more often than that. Returns the highest filled index: -1 when
/// no link was found, 0 (after a report, with one empty entry) when the link part is empty.
/// `linkPart` is left holding the unread remainder.
/// `unlisted`, when given, receives every anchor that got no entry, in order.
std::int32_t CutMsg(run::Reporter& reporter, std::u16string& linkPart, std::vector<std::u16string>& LinkList,
                    std::vector<UnlistedAnchor>* unlisted = nullptr);

/// Joins a relative address to a base: root-relative links are joined to the base as well, and
/// each "../" takes the base one folder up, never above its server root ("http://host/").
std::u16string MergeAddress(std::u16string_view base, std::u16string_view relative);

} // namespace vz::extract
