#include "site_snag.h"

#include <algorithm>

#include "run/text.h"

namespace vz::gather {

namespace {

using Kind = SiteSnag::Kind;

std::u16string inBrackets(std::u16string_view text)
{
    return u"「" + shownInline(text) + u"」";
}

std::u16string nearMissText(const SiteSnag& snag)
{
    return snag.nearMiss ? u"（よく似た " + inBrackets(*snag.nearMiss) + u" ならあります）" : u"";
}

// Named as the detail window names the boxes: "ヘッダを切り出す文字列", its 開始 and 終了.
std::u16string missingMarker(const SiteSnag& snag, const char16_t* what, const char16_t* where)
{
    const bool end = snag.kind == Kind::IndexEnd || snag.kind == Kind::HeadlineEnd || snag.kind == Kind::TextEnd;
    if (!end) {
        return std::u16string(what) + u"文字列（開始）" + inBrackets(snag.marker) + u"が" + where + u" " +
               snag.address + u" に見つかりません" + nearMissText(snag);
    }
    return std::u16string(what) + u"文字列（終了）" + inBrackets(snag.marker) + u"が開始の " +
           inBrackets(snag.startMarker) + u"より後に見つかりません（" + where + u" " + snag.address + u"）" +
           (snag.endBeforeStart ? u"。開始より前にはあります" : u"") + nearMissText(snag);
}

// Fills in the marker that is missing and what almost reads as it: the start marker is looked
// for in the whole page, the end marker after the start marker.
SiteSnag markerSnag(Kind kind, const std::u16string& address, std::u16string_view page, std::u16string_view startMarker,
                    std::u16string_view endMarker, const extract::MarkerPair& found,
                    const std::function<bool()>& cancelled)
{
    SiteSnag snag;
    snag.kind = kind;
    snag.address = address;
    if (found.miss == extract::MarkerMiss::Start) {
        snag.marker = startMarker;
        if (const auto near = extract::findNearMiss(page, startMarker, 0, cancelled)) {
            snag.nearMiss = near->text;
        }
        return snag;
    }
    snag.marker = endMarker;
    snag.startMarker = startMarker;
    snag.endBeforeStart = text::InStr(page, endMarker) > 0;
    if (const auto near =
            extract::findNearMiss(page, endMarker, static_cast<std::size_t>(found.start - 1), cancelled)) {
        snag.nearMiss = near->text;
    }
    return snag;
}

} // namespace

SiteSnag SiteSnag::at(Kind kind, std::u16string address, std::u16string cause)
{
    SiteSnag snag;
    snag.kind = kind;
    snag.address = std::move(address);
    snag.cause = std::move(cause);
    return snag;
}

SiteSnag SiteSnag::ofLinks(Kind kind, int count)
{
    SiteSnag snag;
    snag.kind = kind;
    snag.count = count;
    return snag;
}

std::u16string shownInline(std::u16string_view text, std::size_t limit)
{
    std::u16string shown;
    for (const char16_t c : text.substr(0, limit)) {
        if (c == u'\n') {
            shown += u'↵';
        } else if (c == u'\t') {
            shown += u'→';
        } else if (c >= u' ' && c != u'\x7F') {
            shown += c;
        }
    }
    if (text.size() > limit) {
        shown += u"…";
    }
    return shown;
}

std::u16string snagText(const SiteSnag& snag)
{
    switch (snag.kind) {
    case Kind::None:
        return {};
    case Kind::FileName:
        return u"出力ファイル名が使えません（" + snag.cause + u"）";
    case Kind::IndexFetch:
        return u"インデックスページ " + snag.address + u" を取得できません（" + snag.cause + u"）";
    case Kind::IndexStart:
    case Kind::IndexEnd:
        return missingMarker(snag, u"インデックスを切り出す", u"インデックスページ");
    case Kind::NoLinks:
        return u"インデックスから切り出した部分に、記事のアドレス（.html .htm .asp .shtml .php "
               u"で終わるもの）がありません" +
               (snag.count > 0 ? u"（リンク " + text::number(snag.count) + u" 個はどれも当てはまりません）"
                               : std::u16string(u"（リンクがひとつもありません）"));
    case Kind::NoneAllowed:
        return u"リンク " + text::number(snag.count) +
               u" 個のうち、取得する記事がありません（ダウンロード記事数の設定を見てください）";
    case Kind::AllSkipped:
        return u"読むリンク " + text::number(snag.count) +
               u" 個がすべて飛ばされます（index.htm を含むか、直前と同じリンクです）";
    case Kind::ArticleFetch:
        return u"記事 " + snag.address + u" を取得できません（" + snag.cause + u"）";
    case Kind::HeadlineStart:
    case Kind::HeadlineEnd:
        return missingMarker(snag, u"ヘッダを切り出す", u"記事");
    case Kind::TextStart:
    case Kind::TextEnd:
        return missingMarker(snag, u"記事を切り出す", u"記事");
    case Kind::Empty:
        return u"記事 " + snag.address + u" から切り出した見出しと本文が空です";
    case Kind::NotWritten:
        return u"サイトのページ " + snag.address + u" を書き込めません（" + snag.cause + u"）";
    }
    return {};
}

SiteSnag indexMarkerSnag(const run::SiteRecord& site, const std::u16string& address, std::u16string_view page,
                         const extract::MarkerPair& found, const std::function<bool()>& cancelled)
{
    const Kind kind = found.miss == extract::MarkerMiss::Start ? Kind::IndexStart : Kind::IndexEnd;
    return markerSnag(kind, address, page, site.FilterIndex1, site.FilterIndex2, found, cancelled);
}

SiteSnag articleMarkerSnag(const run::SiteRecord& site, const std::u16string& address, std::u16string_view page,
                           const extract::ArticleMarkers& markers, const std::function<bool()>& cancelled)
{
    switch (markers.missing) {
    case extract::ArticleMarker::Headline1:
    case extract::ArticleMarker::Headline2:
        return markerSnag(markers.missing == extract::ArticleMarker::Headline1 ? Kind::HeadlineStart
                                                                               : Kind::HeadlineEnd,
                          address, page, site.FilterHeadline1, site.FilterHeadline2, markers.headline, cancelled);
    case extract::ArticleMarker::Text1:
    case extract::ArticleMarker::Text2:
        return markerSnag(markers.missing == extract::ArticleMarker::Text1 ? Kind::TextStart : Kind::TextEnd, address,
                          page, site.FilterText1, site.FilterText2, markers.text, cancelled);
    case extract::ArticleMarker::None:
        break;
    }
    return {};
}

SiteSnag indexPageSnag(const run::SiteRecord& site, const Page& index, const std::function<bool()>& cancelled)
{
    if (!index.fetched) {
        return SiteSnag::at(Kind::IndexFetch, site.IndexAddress, index.cause);
    }
    const extract::MarkerPair found = extract::findMarkerPair(index.text, site.FilterIndex1, site.FilterIndex2);
    if (found.miss != extract::MarkerMiss::None) {
        return indexMarkerSnag(site, site.IndexAddress, index.text, found, cancelled);
    }
    return {};
}

SiteSnag walkSnag(const LinkWalk& walk, int highest, int unlisted)
{
    if (highest < 0) {
        return SiteSnag::ofLinks(Kind::NoLinks, unlisted);
    }
    const std::vector<LinkStep> walked = walk.walked();
    if (walked.empty()) {
        return SiteSnag::ofLinks(Kind::NoneAllowed, static_cast<int>(walk.steps.size()));
    }
    if (std::none_of(walked.begin(), walked.end(), [](const LinkStep& step) { return step.tried(); })) {
        return SiteSnag::ofLinks(Kind::AllSkipped, static_cast<int>(walked.size()));
    }
    return {};
}

SiteSnag articlePageSnag(const run::SiteRecord& site, const std::u16string& address, const Page& page,
                         const std::function<bool()>& cancelled)
{
    if (!page.fetched) {
        return SiteSnag::at(Kind::ArticleFetch, address, page.cause);
    }
    const extract::ArticleMarkers markers = extract::locateArticleMarkers(
        page.text, site.FilterHeadline1, site.FilterHeadline2, site.FilterText1, site.FilterText2);
    return articleMarkerSnag(site, address, page.text, markers, cancelled);
}

} // namespace vz::gather
