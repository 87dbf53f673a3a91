#include "site_check.h"

#include <algorithm>

#include "extract/article_cutting.h"
#include "extract/tag_filters.h"
#include "gather/page_fetch.h"
#include "platform/cp932.h"
#include "platform/event_yield.h"
#include "platform/messages.h"
#include "platform/charset_labels.h"
#include "platform/page_converter.h"
#include "run/output_file_name.h"
#include "run/reporter.h"
#include "run/run_state.h"
#include "run/text.h"

namespace vz::gather {

namespace {

using Clock = std::chrono::steady_clock;

/// As many transfers to one server as a run allows.
constexpr int kMaxPerServer = 4;
constexpr std::size_t kLookAheadBytes = 16 * 1024 * 1024;

/// Keeps the error-list lines the run would show.
class KeptLines final : public run::ErrorSink
{
public:
    explicit KeptLines(std::vector<std::u16string>& lines) : m_lines(lines) {}
    void appendLine(const std::u16string& line) override
    {
        m_lines.push_back(line.ends_with(u"\r\n") ? line.substr(0, line.size() - 2) : line);
    }

private:
    std::vector<std::u16string>& m_lines;
};

/// Nobody is asked anything while a site is tried, and there are no window events to let run.
class Unattended final : public platform::Messages, public platform::EventYield
{
public:
    void information(const std::u16string&) override {}
    void alert(const std::u16string&) override {}
    bool askOkCancel(const std::u16string&) override { return false; }
    bool askYesNo(const std::u16string&) override { return false; }
    void yieldEvents() override {}
};

std::chrono::milliseconds since(Clock::time_point begun)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begun);
}

Page fetchTimed(PageFetcher& pages, const std::u16string& address, AddressOrigin origin, PageCheck& check)
{
    const auto begun = Clock::now();
    check.address = address;
    Page page = pages.fetchPage(address, origin);
    check.took = since(begun);
    check.fetched = page.fetched;
    check.cause = page.cause;
    check.reading = page.reading;
    if (page.fetched) {
        check.encoding = encodingText(page.reading, page.text);
    }
    return page;
}

/// A pair of markers as the page holds them: the start marker in the whole page, the end marker
/// from the start marker on, each with what almost reads as it when it is missing.
void searchPair(std::u16string_view page, std::u16string_view startMarker, std::u16string_view endMarker,
                MarkerCheck& start, MarkerCheck& end, const std::function<bool()>& cancelled)
{
    const extract::MarkerPair pair = extract::findMarkerPair(page, startMarker, endMarker);
    start.marker = startMarker;
    start.searched = true;
    start.where = u"ページ全体（" + text::number(static_cast<long long>(page.size())) + u" 文字）";
    start.found = pair.miss != extract::MarkerMiss::Start;
    start.at = pair.start;
    if (!start.found) {
        start.nearMiss = extract::findNearMiss(page, startMarker, 0, cancelled);
    }
    end.marker = endMarker;
    end.searched = start.found;
    if (!end.searched) {
        return;
    }
    end.where = u"開始の文字列の位置（" + text::number(static_cast<long long>(pair.start)) + u" 文字目）より後";
    end.found = pair.miss == extract::MarkerMiss::None;
    if (end.found) {
        end.at = text::InStr(pair.start, page, endMarker);
    } else {
        end.nearMiss = extract::findNearMiss(page, endMarker, static_cast<std::size_t>(pair.start - 1), cancelled);
    }
}

/// The link to try as the article: the one asked for, else the first the run asks for.
std::optional<LinkStep> chosenLink(const LinkWalk& walk, std::optional<int> asked)
{
    if (asked && *asked >= 0 && *asked < static_cast<int>(walk.steps.size())) {
        return walk.steps[static_cast<std::size_t>(*asked)];
    }
    for (const LinkStep& step : walk.walked()) {
        if (step.tried()) {
            return step;
        }
    }
    return std::nullopt;
}

} // namespace

std::u16string encodingText(const PageReading& reading, std::u16string_view page)
{
    const std::u16string name = text::fromUtf8(platform::encodingName(reading.encoding));
    // The declaration in the page's head is plain ASCII, whatever the page was read in.
    const std::string meta = platform::charsetOfMetaTag(text::toUtf8(page.substr(0, 4096)));
    std::u16string said;
    if (!reading.headerCharset.empty()) {
        said += u"サーバーの Content-Type が charset=" + text::fromUtf8(reading.headerCharset);
    }
    if (!meta.empty()) {
        said += (said.empty() ? u"" : u"、") + (u"ページの meta タグが charset=" + text::fromUtf8(meta));
    }
    std::u16string why;
    if (reading.encoding == platform::PageEncoding::Ascii) {
        why = u"ASCII の文字だけです";
    } else if (reading.declared) {
        why = name + u"（" + said + u" と宣言し、そのとおりに読めます）";
    } else if (said.empty()) {
        why = name + u"（中身から判定しました。宣言はありません）";
    } else {
        const auto same = [&name](const std::string& declared) {
            const auto plain = [](std::u16string_view text) {
                std::u16string out;
                for (const char16_t c : text) {
                    if (c != u'-' && c != u'_') {
                        out += text::LCaseChar(c);
                    }
                }
                return out;
            };
            return !declared.empty() && plain(text::fromUtf8(declared)) == plain(name);
        };
        why = name + u"（中身から判定しました。" + said +
              (same(reading.headerCharset) || same(meta) ? u" という宣言とも合います）"
                                                         : u" と宣言していますが、中身に合いません）");
    }
    if (reading.invalidSequences > 0) {
        why += u"。文字にならないバイト列が " + text::number(static_cast<long long>(reading.invalidSequences)) +
               u" か所あり、〓で示します";
    }
    return why;
}

std::u16string verdictText(const SiteCheck& check)
{
    if (check.stopped) {
        return u"中止しました。";
    }
    if (!check.works()) {
        return u"直すところ: " + snagText(check.snag) + u"。";
    }
    int fetched = 0;
    for (const LinkStep& step : check.walk.walked()) {
        fetched += step.fate == LinkFate::Fetched ? 1 : 0;
    }
    const ArticleCheck& article = *check.article;
    return u"使えます: 記事 " + text::number(fetched) + u" 件を取得します。" + article.link.address + u" から見出し「" +
           shownInline(article.headline, 60) + u"」と本文を切り出せました（" +
           text::number(static_cast<long long>(article.bytes)) + u" バイト）。";
}

SiteCheck checkSite(const CheckRequest& request, platform::Fetcher& fetcher)
{
    const auto begun = Clock::now();
    SiteCheck check;
    check.site = request.site;
    const run::SiteRecord& site = check.site;
    // The run's reports go to the report, never to a log: nothing of the data folder is touched.
    KeptLines kept(check.reports);
    Unattended nobody;
    const run::RunState noFolders;
    run::Reporter reporter(noFolders, kept, nobody);
    reporter.listOnly();
    const std::function<bool()> cancelled = [&fetcher] { return fetcher.stopped(); };
    const auto keep = [&check](SiteSnag snag) {
        if (!check.snag) {
            check.snag = std::move(snag);
        }
    };
    const auto finish = [&]() -> SiteCheck {
        check.stopped = fetcher.stopped();
        check.took = since(begun);
        return std::move(check);
    };

    // A run skips a site whose page it cannot write; the rest is still worth seeing.
    if (const auto problem = run::outputFileNameProblem(site.FileName)) {
        keep(SiteSnag::at(SiteSnag::Kind::FileName, site.FileName, *problem));
    }
    const int jobs = std::max(request.settings.jobs, 1);
    fetcher.setLimits(jobs, std::min(jobs, kMaxPerServer));
    LookAhead ahead(fetcher, static_cast<std::size_t>(jobs), kLookAheadBytes, {});
    PageFetcher pages(reporter, ahead, nobody);

    check.indexIsArticle = indexIsArticle(site);
    if (check.indexIsArticle) {
        check.walk = walkIndexAsArticle(site);
        check.highest = 0;
    } else {
        Page index = fetchTimed(pages, site.IndexAddress, AddressOrigin::SiteList, check.index);
        if (index.stopped) {
            return finish();
        }
        keep(indexPageSnag(site, index, cancelled));
        if (index.fetched) {
            searchPair(index.text, site.FilterIndex1, site.FilterIndex2, check.index1, check.index2, cancelled);
        }
        IndexCut cut = cutIndex(reporter, site, std::move(index.text), request.settings.LastArticleIndex);
        check.linkPartHead = std::move(cut.linkPartHead);
        check.linkPartLength = cut.linkPartLength;
        check.highest = cut.highest;
        check.unlisted = std::move(cut.unlisted);
        check.walk = std::move(cut.walk);
        keep(walkSnag(check.walk, check.highest, static_cast<int>(check.unlisted.size())));
    }
    if (fetcher.stopped()) {
        return finish();
    }

    const std::optional<LinkStep> link = chosenLink(check.walk, request.article);
    if (!link) {
        return finish();
    }
    ArticleCheck& article = check.article.emplace();
    article.link = *link;
    Page page = fetchTimed(pages, link->address, check.walk.origin, article.page);
    if (page.stopped) {
        return finish();
    }
    keep(articlePageSnag(site, link->address, page, cancelled));
    if (page.fetched) {
        searchPair(page.text, site.FilterHeadline1, site.FilterHeadline2, article.headline1, article.headline2,
                   cancelled);
        searchPair(page.text, site.FilterText1, site.FilterText2, article.text1, article.text2, cancelled);
    }
    // The pictures go out together, as the run fetches them ahead.
    std::vector<Expected> pictures;
    for (const std::u16string& picture :
         picturesAhead(site, link->address, page.text, request.settings.pictures.perArticle)) {
        pictures.push_back(Expected{picture, Expected::Kind::Picture, 0, false, link->address});
    }
    ahead.expect(pictures);
    // Numbered from 0 on a counter of its own: a run's numbers stay as they are.
    std::int32_t pictureNumber = 0;
    PictureStore store(reporter, noFolders.DataPath, pictureNumber, pages, request.settings.pictures);
    store.measureOnly(article.pictures);
    extract::ExtractContext context{reporter, request.settings.fitting, store};
    std::int32_t minPix = minimumPictureSize(site.minPix);
    store.beginArticle(link->address);
    article.text = extract::CutNews(context, std::move(page.text), site.FilterHeadline1, site.FilterHeadline2,
                                    site.FilterText1, site.FilterText2, site.TagOption, site.TableOption,
                                    site.PixOption, site.ServerAddressHeader, link->address, minPix);
    store.endArticle();
    if (fetcher.stopped()) {
        return finish();
    }
    if (article.text.empty()) {
        keep(SiteSnag::at(SiteSnag::Kind::Empty, link->address));
    } else {
        article.headline = extract::PickHeadline(request.settings.fitting, article.text);
    }
    article.bytes = platform::encodeCp932(article.text).bytes.size();
    return finish();
}

} // namespace vz::gather
