#include "gathering_run.h"

#include <algorithm>
#include <optional>

#include "extract/article_cutting.h"
#include "extract/index_cutting.h"
#include "extract/safe_markup.h"
#include "extract/tag_filters.h"
#include "gather/contents_page.h"
#include "gather/epub_book.h"
#include "gather/foresight.h"
#include "gather/gathered_before.h"
#include "gather/output_file.h"
#include "gather/look_ahead.h"
#include "gather/page_fetch.h"
#include "gather/page_head.h"
#include "gather/picture_store.h"
#include "gather/site_plan.h"
#include "gather/site_snag.h"
#include "run/output_file_name.h"
#include "run/string_helpers.h"
#include "run/text.h"

namespace vz::gather {

using run::RunField;

namespace {

/// Transfers at once to one server, whatever the jobs: more would burden a site for little.
constexpr int kMaxPerServer = 4;
/// Fetches under way or waiting per job: enough to keep every job busy across the next sites.
constexpr std::size_t kWindowPerJob = 32;
/// No new fetch starts while the pages waiting to be taken hold this much.
constexpr std::size_t kLookAheadBytes = 16 * 1024 * 1024;

/// Whether a stop was asked for (the stop button, a signal, the window closing). It reaches the
/// run through the fetcher, which has already abandoned whatever was under way; here it clears
/// Running and AutoStart as the stop button does.
bool stopAsked(RunContext& context)
{
    if (context.fetcher.stopped() && context.state.Running) {
        context.state.Running = false;
        context.state.AutoStart = false;
    }
    return !context.state.Running;
}

/// How one article went.
enum class ArticleOutcome { Written, Failed, Abandoned };

class SiteGatherer
{
public:
    SiteGatherer(RunContext& context, const run::SiteRecord& site, PageFetcher& fetcher, PictureStore& pictures,
                 EpubBook* book, GatheredBefore& gatheredBefore)
        : m_ctx(context), m_site(site), m_fe(context.services.frontEnd), m_fetcher(fetcher), m_pictures(pictures),
          m_book(book), m_gatheredBefore(gatheredBefore), m_outputFilePath(context.state.DataPath + site.FileName)
    {
    }

    SiteOutcome gather()
    {
        SiteOutcome outcome{m_site.IndexName, 0, 0};
        for (auto field : {RunField::SiteName, RunField::URL, RunField::URL2, RunField::File}) {
            m_fe.showRunField(field, u"");
        }
        // A site whose page cannot be written is skipped; the sites after it are still gathered.
        // Its page stays a plain file of the data folder: never elsewhere, never the folder itself.
        if (const auto problem = run::outputFileNameProblem(m_site.FileName)) {
            // A mistake in the site list, reported like a missing marker: not a failed write.
            m_ctx.services.reporter.DispErr(kPageNotWritten, m_outputFilePath,
                                            run::because(u"サイト「" + m_site.IndexName + u"」: " + *problem), u"MAIN");
            m_snag = SiteSnag::at(SiteSnag::Kind::FileName, m_site.FileName, *problem);
            concludeEmpty();
            return outcome;
        }
        if (m_book) {
            m_book->beginSite(m_site.IndexName);
        }
        try {
            gatherInto(outcome);
            if (m_book) {
                m_book->endSite(true);
            }
        } catch (const OutputError& e) {
            if (m_book) {
                m_book->endSite(false); // the book holds what the pages hold
            }
            m_ctx.services.reporter.writeFailed(
                kPageNotWritten, e.path(), run::because(u"サイト「" + m_site.IndexName + u"」: " + e.cause()), u"MAIN");
            // The page keeps its old version: none of the articles gathered for it reached it.
            outcome.failed += std::max(outcome.gathered, 1);
            outcome.gathered = 0;
            m_snag = SiteSnag::at(SiteSnag::Kind::NotWritten, e.path(), e.cause());
        }
        if (outcome.gathered == 0 && !m_nothingNew) {
            concludeEmpty();
        }
        return outcome;
    }

private:
    /// A site that gave no article gets one line in the error list saying why, unless a stop
    /// explains it.
    void concludeEmpty()
    {
        if (stopAsked(m_ctx)) {
            return;
        }
        if (!m_snag) {
            m_snag.kind = SiteSnag::Kind::Empty; // every article was cut, and none held anything
        }
        m_ctx.services.reporter.conclude(u"サイト「" + m_site.IndexName + u"」から記事を 1 件も収集できませんでした。",
                                         snagText(m_snag), u"", u"MAIN");
    }

    /// Keeps the first thing that went wrong while nothing is gathered yet.
    void snag(SiteSnag snag)
    {
        if (wantSnag()) {
            m_snag = std::move(snag);
        }
    }
    bool wantSnag() const { return !m_snag && !m_anyWritten; }

    void gatherInto(SiteOutcome& outcome)
    {
        collectLinks();
        if (stopAsked(m_ctx)) {
            return; // nothing of the site is written: its page stays as it was
        }
        m_fe.showRunField(RunField::SiteName, m_site.IndexName);
        m_fe.showRunField(RunField::File, m_outputFilePath);
        startPage();
        if (stopAsked(m_ctx)) {
            return;
        }
        const auto walked = m_walk.walked();
        if (m_skipped > 0 && std::none_of(walked.begin(), walked.end(), [](const LinkStep& s) { return s.tried(); })) {
            m_nothingNew = true;
            m_page->append({kNothingNew, m_site.TagOption == kRemoveAll ? u"\n\r\r\n" : u"\r\n"});
        }

        const int last = m_walk.last;
        for (const LinkStep& step : m_walk.walked()) {
            const int j = step.index;
            m_fe.showRunField(RunField::URL2, step.address);
            m_fe.articleStarted(j + 1, last + 1);
            if (step.tried()) {
                // The page checked for the head is the first article: it is not fetched twice.
                Page page = j == 0 && m_first && m_walk.headPage == step.address
                                ? m_fetcher.again(step.address, std::move(*m_first))
                                : m_fetcher.fetchPage(step.address, m_walk.origin);
                m_first.reset();
                if (!page.stopped && wantSnag()) {
                    snag(articlePageSnag(m_site, step.address, page));
                }
                const ArticleOutcome article =
                    page.stopped ? ArticleOutcome::Abandoned : gatherArticle(step.address, std::move(page.text));
                if (article == ArticleOutcome::Written) {
                    m_written.push_back(step.address);
                    ++outcome.gathered;
                    m_anyWritten = true;
                } else if (article == ArticleOutcome::Failed) {
                    ++outcome.failed;
                }
            }
            if (stopAsked(m_ctx)) {
                break;
            }
        }
        // A stop before the first article leaves the old page rather than an empty one; after it,
        // the articles gathered so far make a complete page.
        if (stopAsked(m_ctx) && outcome.gathered == 0) {
            return;
        }
        if (m_site.TagOption != kRemoveAll) {
            m_page->append({u"</html>\r\n"});
        }
        m_page->commit();
        m_gatheredBefore.record(m_site, m_walk, m_written);
    }

    /// Walks the site's links: cut out of its index page, or its index address alone.
    void collectLinks()
    {
        m_fe.showRunField(RunField::URL, m_site.IndexAddress);
        if (indexIsArticle(m_site)) {
            // Without index markers the index page itself is the one article.
            m_walk = walkIndexAsArticle(m_site);
            return;
        }
        Page index = m_fetcher.fetchPage(m_site.IndexAddress);
        if (index.stopped) {
            return;
        }
        snag(indexPageSnag(m_site, index));
        const IndexCut cut =
            cutIndex(m_ctx.services.reporter, m_site, std::move(index.text), m_ctx.state.LastArticleIndex);
        m_walk = cut.walk;
        snag(walkSnag(m_walk, cut.highest, static_cast<int>(cut.unlisted.size())));
        m_skipped = m_gatheredBefore.skip(m_site, m_walk);
    }

    void startPage()
    {
        // The site's name goes into the page as text: a site list may come from anywhere.
        const std::u16string name = extract::PlainText(m_site.IndexName);
        if (m_site.TagOption == kRemoveAll) {
            m_page.emplace(m_outputFilePath);
            m_page->append({u"\r\n", name, u"\n\r\r\n"});
            return;
        }
        std::u16string head = m_ctx.values.StandardHead;
        if (m_walk.headPage) {
            m_first = m_fetcher.fetchPage(*m_walk.headPage, m_walk.origin);
            if (m_first->stopped) {
                return;
            }
            m_ctx.state.PageCharsetKnown = CheckCharset(m_first->text);
            if (!m_ctx.state.PageCharsetKnown) {
                head = MakePageHead(m_first->text, m_ctx.values.StandardHead);
            }
        }
        m_page.emplace(m_outputFilePath);
        m_page->append(
            {u"\r\n", head, u"\r\n<title>", name, u"</title>\r\n<br>\r\n<B>", name, u"</B>\r\n", kRule, u"\r\n"});
    }

    ArticleOutcome gatherArticle(const std::u16string& address, std::u16string page)
    {
        // The book fits its own lines: it takes the article as it is without fitting.
        std::u16string unfitted;
        extract::ExtractContext article{m_ctx.services.reporter, m_ctx.values.fitting, m_pictures,
                                        m_book ? &unfitted : nullptr};
        std::int32_t minPix = minimumPictureSize(m_site.minPix);
        m_pictures.beginArticle(address);
        const std::u16string cut =
            extract::CutNews(article, std::move(page), m_site.FilterHeadline1, m_site.FilterHeadline2,
                             m_site.FilterText1, m_site.FilterText2, m_site.TagOption, m_site.TableOption,
                             m_site.PixOption, m_site.ServerAddressHeader, address, minPix);
        m_pictures.endArticle();
        if (stopAsked(m_ctx)) {
            return ArticleOutcome::Abandoned; // its pictures were cut short: it is not written half
        }
        if (cut.empty()) {
            m_ctx.services.reporter.DispErr(u"ダウンロード処理できませんでした。 ", address, u"", u" MAIN\r\n");
            snag(SiteSnag::at(SiteSnag::Kind::Empty, address));
            return ArticleOutcome::Failed;
        }
        std::u16string entry;
        if (m_ctx.state.SeparateTopicFiles) {
            const std::u16string headline = extract::PickHeadline(m_ctx.values.fitting, cut);
            std::int32_t& number = m_ctx.values.TopicFileNumber;
            WriteTopicFile(m_ctx.state, cut, number);
            entry = topicLinkLine(number, headline);
            ++number;
        }
        std::u16string tail;
        if (m_site.TagOption == kRemoveAll) {
            tail = u"\n\r\r\n";
        } else if (!m_ctx.state.SeparateTopicFiles) {
            tail = kRule + std::u16string(u"\r\n");
        }
        if (m_ctx.state.SeparateTopicFiles) {
            m_page->append({entry, tail});
        } else {
            m_page->append({cut, u"\r\n", tail});
        }
        if (m_book) {
            m_book->addArticle(unfitted.empty() ? cut : unfitted, m_site.TagOption == kRemoveAll);
        }
        return ArticleOutcome::Written;
    }

    RunContext& m_ctx;
    const run::SiteRecord& m_site;
    run::FrontEnd& m_fe;
    PageFetcher& m_fetcher;
    PictureStore& m_pictures;
    /// The day's book, when one is made.
    EpubBook* m_book;
    GatheredBefore& m_gatheredBefore;
    const std::u16string m_outputFilePath;
    /// The site page, written beside its place until the site is done.
    std::optional<PageFile> m_page;
    LinkWalk m_walk;
    /// The first article, fetched for the head and kept until its turn as an article.
    std::optional<Page> m_first;
    /// The first thing that kept the site from giving an article, while none was written.
    SiteSnag m_snag;
    bool m_anyWritten = false;
    /// Articles skipped as gathered before; the site had nothing new when none other is left.
    int m_skipped = 0;
    bool m_nothingNew = false;
    std::vector<std::u16string> m_written;
};

} // namespace

std::vector<SiteOutcome> gatherSites(RunContext& context)
{
    run::RunState& state = context.state;
    Services& services = context.services;
    std::vector<SiteOutcome> outcomes;
    services.events.yieldEvents();
    // The book is named and dated with the day the run begins, as the contents page that links it.
    const platform::DateTime started = services.clock.now();
    std::optional<EpubBook> book;
    if (context.values.options.epub()) {
        book.emplace(state.DataPath, context.values.options.vertical());
    }
    if (state.Contents && !stopAsked(context)) {
        // The site pages do not depend on it: without a contents page the sites are still gathered.
        try {
            MakeContents(state, context.values.SiteTable, services.reporter, started,
                         book ? bookFileName(started) : std::u16string());
        } catch (const OutputError& e) {
            services.reporter.writeFailed(kPageNotWritten, e.path(), run::because(e.cause()), u"MakeContents");
        }
    }
    // Only Init loads the table, and nothing runs Init while a run goes on (the Read menu and the
    // start button wait for its end), so the run walks the table in place.
    const run::SiteTable& table = context.values.SiteTable;
    const int lastRow = state.SiteCount;
    const auto gathered = [&](int row) {
        return row < static_cast<int>(table.rows.size()) &&
               !table.rows[static_cast<std::size_t>(row)].IndexName.empty();
    };

    // While a site is worked on in order, what comes after it is already being fetched.
    const int jobs = std::max(context.values.jobs, 1);
    context.fetcher.setLimits(jobs, std::min(jobs, kMaxPerServer));
    const bool onlyNew = context.values.options.onlyNew();
    RunCache cache(context.fetcher, services.reporter, state.ProgramFolder, platform::toEpoch(services.clock.nowUtc()),
                   context.values.cacheResponses, onlyNew);
    GatheredBefore gatheredBefore(cache.get(), onlyNew, state.CurrentIniPath);
    Foresight foresight(state, table, services.reporter, context.values.pictures.perArticle, gatheredBefore);
    LookAhead ahead(context.fetcher, jobs == 1 ? 1 : static_cast<std::size_t>(jobs) * kWindowPerJob, kLookAheadBytes,
                    [&foresight](const Expected& done, const Arrival& arrival) { return foresight(done, arrival); });
    for (int row = 0; row <= lastRow; ++row) {
        if (gathered(row)) {
            ahead.expect(foresight.start(row));
        }
    }
    PageFetcher fetcher(services.reporter, ahead, services.events, &services.frontEnd);
    PictureStore pictures(services.reporter, state.DataPath, context.values.PictureNumber, fetcher,
                          context.values.pictures);

    for (int row = 0; row <= lastRow; ++row) {
        if (gathered(row) && !stopAsked(context)) {
            ahead.forgetBefore(row);
            SiteGatherer site(context, table.rows[static_cast<std::size_t>(row)], fetcher, pictures,
                              book ? &*book : nullptr, gatheredBefore);
            outcomes.push_back(site.gather());
            services.frontEnd.siteFinished(outcomes.back().IndexName, outcomes.back().gathered, outcomes.back().failed);
        }
        if (stopAsked(context)) {
            break;
        }
    }
    cache.close();
    if (book) {
        // Stopped or not, the book holds what the pages hold.
        MakeEpub(state, *book, bookInfo(state.CurrentIniPath, started, services.clock.nowUtc()), services.reporter);
    }
    state.Running = false;
    services.frontEnd.setStopCaption(kStartCaption);
    if (!state.AutoStart) {
        services.messages.information(kFinishedMessage);
    }
    return outcomes;
}

} // namespace vz::gather
