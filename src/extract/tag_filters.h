#pragma once

#include <string>
#include <string_view>

#include "extract/line_fitting.h"

/// String filters that clean an article. They know nothing of HTML structure: they find an
/// opening marker, then the closing marker after it, and cut or replace the stretch between.
/// Markers are matched against the text lower-cased (ASCII only), so callers pass them in lower
/// case; a marker matches anywhere, also inside words and attribute values ("<p" in "<pre>").
/// Each filter takes time linear in the text.
namespace vz::extract {

/// The text without every stretch from an opening marker through the first closing marker at or
/// after it, leftmost first; a stretch that two cuts join together goes too. An opening marker
/// without a closing marker after it loses only the text through the next ">"; with no ">" after
/// it either, it and the rest of the text stay. An empty marker leaves the text as it is.
std::u16string RemoveTags(std::u16string_view text, std::u16string_view opening, std::u16string_view closing);
/// RemoveTags on the text's own storage: a large article is not held twice.
void removeTagsInPlace(std::u16string& text, std::u16string_view opening, std::u16string_view closing);

/// As RemoveTags, but each stretch is replaced by `replacement`, and the search goes on behind it:
/// a replacement that spells its own opening marker (alone or with what stood before it) would
/// otherwise be found forever. The replacements in use spell none, so searching them again would
/// change nothing.
std::u16string ReplaceTags(std::u16string_view text, std::u16string_view opening, std::u16string_view closing,
                           std::u16string_view replacement);
/// ReplaceTags on the text's own storage; only what replacements add beyond what they replace is
/// held apart while the text is rewritten.
void replaceTagsInPlace(std::u16string& text, std::u16string_view opening, std::u16string_view closing,
                        std::u16string_view replacement);

/// In a run of "<br" tags separated only by blanks and line ends, every tag but the last loses
/// its first four characters (a plain "<br>" goes whole); the blanks and line ends stay.
std::u16string CollapseBreaks(std::u16string_view text);
void collapseBreaksInPlace(std::u16string& text);

/// Two "&nbsp;" with only blanks, line ends and tags between become one, pair by pair from the
/// left; what stood between goes.
std::u16string CollapseNbsp(std::u16string_view text);
void collapseNbspInPlace(std::u16string& text);

/// "<p><h4>", the headline without its tags and fitted to the line, "</h4></p>".
std::u16string HeadlineBlock(const LineFitting& fitting, std::u16string_view headline);

/// The headline of a cleaned article, for the link line of a separate topic file: the text of
/// its headline block, or else its first 30 characters without tags and "&nbsp;".
std::u16string PickHeadline(const LineFitting& fitting, std::u16string_view article);

} // namespace vz::extract
