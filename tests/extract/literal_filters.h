#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "extract/article_cutting.h"
#include "extract/picture_keeping.h"
#include "extract/safe_markup.h"
#include "run/string_helpers.h"
#include "run/text.h"

/// Word-for-word transcriptions of the cleaning loops: they search from the start again after
/// every cut and lower-case the whole text each time. Quadratic, so they live here only, as the
/// oracle the fast versions are compared against. Where the loops alone would never end (a marker
/// with nothing after it to close it, an empty marker, a replacement that spells its marker) they
/// stop as the fast versions do.
namespace vz::test::literal {

using text::InStr;
using text::LCase;
using text::Left;
using text::Len;
using text::Mid;
using Str = std::u16string;
using View = std::u16string_view;

inline Str ReplaceTags(Str text, View opening, View closing, View replacement)
{
    if (opening.empty() || closing.empty()) {
        return text;
    }
    const auto limit = Len(text);
    Str lower = LCase(text);
    // After a replacement the search goes on behind it.
    std::ptrdiff_t from = 1;
    for (std::ptrdiff_t cuts = 0, s = InStr(from, lower, opening); s > 0 && cuts < limit;
         ++cuts, s = InStr(from, lower, opening)) {
        auto e = InStr(s, lower, closing);
        if (e > 0) {
            e += Len(closing);
        } else if ((e = InStr(s, lower, u">")) > 0) {
            e += 1;
        } else {
            break;
        }
        text = Left(text, s - 1) + Str(replacement) + Mid(text, e);
        lower = LCase(text);
        if (!replacement.empty()) {
            from = s + Len(replacement);
        }
    }
    return text;
}

inline Str RemoveTags(Str text, View opening, View closing)
{
    return ReplaceTags(std::move(text), opening, closing, u"");
}

inline Str CollapseBreaks(Str text)
{
    Str lower = LCase(text);
    std::ptrdiff_t pos = 1;
    for (;;) {
        const auto a = InStr(pos, lower, u"<br");
        const auto b = a > 0 ? InStr(a + 1, lower, u"<br") : 0;
        if (b == 0) {
            return text;
        }
        if (b - a - 4 < 0 || !run::VisibleChars(Mid(text, a + 4, b - a - 4)).empty()) {
            pos = a + 1;
        } else {
            text = Left(text, a - 1) + Mid(text, a + 4);
            pos = a;
            lower = LCase(text);
        }
    }
}

inline Str CollapseNbsp(Str text)
{
    const View nbsp = u"&nbsp;";
    std::ptrdiff_t pos = 1;
    for (;;) {
        const auto a = InStr(pos, text, nbsp);
        const auto b = a > 0 ? InStr(a + 1, text, nbsp) : 0;
        if (b == 0) {
            return text;
        }
        const Str stretch = run::VisibleChars(RemoveTags(run::VisibleChars(Mid(text, a + 6, b - a - 6)), u"<", u">"));
        if (stretch.empty()) {
            text = Left(text, a) + Mid(text, b + 1);
        }
        pos = InStr(InStr(pos, text, nbsp) + 1, text, nbsp);
        if (pos == 0) {
            return text;
        }
    }
}

inline Str PickHeadline(const extract::LineFitting& fitting, const Str& article)
{
    Str headline;
    if (InStr(article, u"</h4></p>") > 0 && InStr(article, u"<p><h4>") > 0) {
        headline = RemoveTags(Left(article, InStr(article, u"</h4></p>") - 1), u"<", u">");
    }
    if (headline.empty()) {
        headline = Left(RemoveTags(RemoveTags(article, u"&", u"nbsp"), u"<", u">"), 30);
    }
    return extract::AddSpc(fitting, headline);
}

inline Str KeepPix(extract::ExtractContext& ctx, Str text, View ServerAddressHeader, View articleAddress,
                   std::int32_t& minPix)
{
    ctx.pictures.prepare();
    if (minPix == 0) {
        minPix = 256;
    }
    Str out;
    Str lower = LCase(text);
    while (InStr(lower, u"<img") > 0) {
        const auto p = InStr(lower, u"<img");
        const auto tagEnd = InStr(p, text, u">");
        if (tagEnd == 0) {
            break;
        }
        out += Left(text, p - 1);
        const Str address = extract::pictureAddress(Mid(text, p, tagEnd - p));
        const auto resume = InStr(p + 10, text, u">");
        text = Mid(text, (resume > 0 ? resume : tagEnd) + 1);
        lower = LCase(text);
        if (!address.empty()) {
            out += ctx.pictures.keep(extract::pictureTries(address, ServerAddressHeader, articleAddress),
                                     extract::PictureExtension(address), minPix);
        }
    }
    return out + text;
}

inline Str CutNews(extract::ExtractContext& ctx, const Str& page, View FilterHeadline1, View FilterHeadline2,
                   View FilterText1, View FilterText2, View TagOption, View TableOption, View PixOption,
                   View ServerAddressHeader, View articleAddress, std::int32_t& minPix)
{
    const auto a = InStr(page, FilterHeadline1);
    const auto c = InStr(page, FilterText1);
    if (a == 0 || InStr(a, page, FilterHeadline2) == 0 || c == 0 || InStr(c, page, FilterText2) == 0) {
        return {};
    }
    Str headline =
        text::Trim(RemoveTags(extract::betweenMarkers(page, a, FilterHeadline1, FilterHeadline2), u"<", u">"));
    Str result = TagOption == u"RemoveAll"
                     ? headline
                     : u"<p><h4>" + extract::AddSpc(ctx.fitting, RemoveTags(headline, u"<", u">")) + u"</h4></p>";
    Str body = extract::betweenMarkers(page, c, FilterText1, FilterText2);
    if (InStr(Len(body) - 20, body, u"<!") > 0) {
        body = Left(body, InStr(Len(body) - 20, body, u"<!") - 1);
    }
    if (InStr(body, u">") == 1 || InStr(body, u">") == 2) {
        body = Mid(body, InStr(body, u">") + 1);
    }
    body = PixOption == u"KeepPix" ? KeepPix(ctx, body, ServerAddressHeader, articleAddress, minPix)
                                   : RemoveTags(body, u"<img", u">");
    if (TableOption == u"RemoveTable") {
        body = RemoveTags(body, u"<table", u"/table>");
        for (View tag : {u"<table", u"</table", u"<tr", u"</tr", u"<td", u"</td", u"<th", u"</th"}) {
            body = RemoveTags(body, tag, u">");
        }
    } else if (TableOption == u"RemoveTableTag") {
        for (View tag : {u"table", u"tr", u"td", u"th"}) {
            body = RemoveTags(body, u"<" + Str(tag), u">");
            body = ReplaceTags(body, u"</" + Str(tag), u">", tag == u"table" ? u"<br>&nbsp;<br>" : u"<br>");
        }
        body = CollapseNbsp(CollapseBreaks(body));
    }
    body = RemoveTags(RemoveTags(RemoveTags(body, u"<a", u">"), u"</a", u">"), u"<script", u"</script>");
    if (TagOption == u"RemoveAll") {
        for (View tag : {u"<br", u"<p", u"</p"}) {
            body = ReplaceTags(body, tag, u">", u"\n\r");
        }
        return extract::PlainText(result + RemoveTags(body, u"<", u">"));
    }
    // The last step is the same in both: what is compared is everything before it.
    return extract::SanitizeMarkup(
        result + extract::AddSpc(ctx.fitting, body),
        {TableOption != u"RemoveTable" && TableOption != u"RemoveTableTag", PixOption == u"KeepPix"});
}

inline Str cleanUpLink(Str s)
{
    for (const char16_t c : {u'"', u',', u'\''}) {
        if (!s.empty() && s.back() == c) {
            s.pop_back();
        }
        if (!s.empty() && s.front() == c) {
            s.erase(0, 1);
        }
    }
    return s;
}

inline Str unquoted(Str s)
{
    return !s.empty() && s.front() == u'"' ? s.substr(1) : s;
}

/// CutMsg without its report: the empty link part gives 0.
inline std::int32_t CutMsg(Str& part, std::vector<Str>& LinkList)
{
    LinkList.assign(static_cast<std::size_t>(run::CountMatches(part, u"href")) + 1, Str());
    Str lower = LCase(part);
    if (part.empty() || InStr(lower, u"a href") == 0) {
        return part.empty() ? 0 : -1;
    }
    std::int32_t i = 0;
    auto store = [&](const Str& entry) {
        if (static_cast<std::size_t>(i) >= LinkList.size()) {
            LinkList.resize(static_cast<std::size_t>(i) + 1);
        }
        LinkList[static_cast<std::size_t>(i++)] = cleanUpLink(entry);
    };
    do {
        const auto A = InStr(lower, u"a href");
        const auto q = InStr(A, lower, u">");
        const auto h = InStr(A, lower, u".html");
        const auto h4 = InStr(A, lower, u".htm");
        const auto s = InStr(A, lower, u".shtml");
        if (h > 0 && h < q) {
            store(text::Trim(Mid(part, A + 7, h - A - 2)));
            part = Mid(part, InStr(lower, u".html") + 2);
        } else if (h4 > 0 && h4 < q) {
            store(unquoted(text::Trim(Mid(part, A + 7, h4 - A - 3))));
            part = Mid(part, InStr(lower, u"htm") + 4);
        } else if (InStr(A, lower, u".asp?") > 0 || InStr(A, lower, u".asp") > 0 || s > 0 ||
                   InStr(A, lower, u".php") > 0) {
            std::ptrdiff_t from = A + 7;
            std::ptrdiff_t length = q - A - 7;
            if (InStr(A, lower, u".asp?") > 0) {
                length = q - A - 8;
            } else if (InStr(A, lower, u".asp") > 0) {
                from = A + 8;
                length = q - A - 9;
            } else if (s > 0) {
                length = s - A - 1;
            }
            if (length >= 0) {
                store(unquoted(text::Trim(Mid(part, from, length))));
            }
            part = q == 0 ? Str() : Mid(part, q + 9);
        } else {
            part = Mid(part, A + 7);
            part = Mid(part, InStr(part, u">") + 1);
        }
        lower = LCase(part);
    } while (!part.empty() && InStr(lower, u"a href") > 0);
    return i - 1;
}

} // namespace vz::test::literal
