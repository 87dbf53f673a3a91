#include "gathering_run.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "extract/article_cutting.h"
#include "extract/index_cutting.h"
#include "extract/safe_markup.h"
#include "extract/tag_filters.h"
#include "gather/contents_page.h"
#include "gather/epub_book.h"
#include "gather/output_file.h"
#include "gather/look_ahead.h"
#include "gather/page_fetch.h"
#include "gather/page_head.h"
#include "gather/picture_store.h"
#include "run/output_file_name.h"
#include "run/string_helpers.h"
#include "run/text.h"

namespace vz::gather {

using run::RunField;

std::u16string articleAddress(const std::u16string& serverAddressHeader, const std::u16string& link)
{
    const std::u16string trimmed = text::Trim(link);
    // A secure address is as absolute as a plain one; joining it to the base would make an
    // address that cannot exist.
    if (trimmed.rfind(u"http:", 0) == 0 || trimmed.rfind(u"https:", 0) == 0) {
        return link;
    }
    return extract::MergeAddress(serverAddressHeader, link);
}

namespace {

constexpr const char16_t* kRemoveAll = u"RemoveAll";
/// Transfers at once to one server, whatever the jobs: more would burden a site for little.
constexpr int kMaxPerServer = 4;
/// Fetches under way or waiting per job: enough to keep every job busy across the next sites.
constexpr std::size_t kWindowPerJob = 32;
/// No new fetch starts while the pages waiting to be taken hold this much.
constexpr std::size_t kLookAheadBytes = 16 * 1024 * 1024;
/// The site page (or a topic file of the site) could not be written.
constexpr const char16_t* kPageNotWritten = u"出力ファイルに書き込めませんでした。";

/// The minimum picture size: the number minPix begins with, rounded, or 0 when it is blank.
std::int32_t minimumPictureSize(const std::u16string& minPix)
{
    if (text::Trim(minPix).empty()) {
        return 0;
    }
    const double value = std::nearbyint(run::Val(minPix));
    return static_cast<std::int32_t>(std::clamp(value, -2147483648.0, 2147483647.0));
}

/// The highest link index to fetch: CutMsg's highest, lowered to the run's and the site's limit.
int lastIndex(int highest, const run::RunState& state, const run::SiteRecord& site)
{
    int last = highest;
    if (last > state.LastArticleIndex) {
        last = state.LastArticleIndex;
    }
    // The site's own limit is the number its NrPage begins with; stored as a whole index it
    // is rounded like any number given to a whole-number variable.
    const double own = run::Val(site.NrPage);
    if (own > 0 && own < last) {
        last = run::roundToInt16(own);
    }
    return last;
}

const std::u16string& linkAt(const std::vector<std::u16string>& links, int index)
{
    static const std::u16string none;
    return index >= 0 && index < static_cast<int>(links.size()) ? links[static_cast<std::size_t>(index)] : none;
}

/// Whether link j is fetched: never a link to "index.htm", nor one equal to the link before it.
bool fetchesLink(const std::vector<std::u16string>& links, int j, int last)
{
    const std::u16string& link = linkAt(links, j);
    return link.find(u"index.htm") == std::u16string::npos && (last == 0 || j == 0 || link != linkAt(links, j - 1));
}

/// The pages the run will fetch for a site once its links are known, in order: the page checked
/// for the head (which is the first article, fetched once) and the articles.
std::vector<Expected> sitePages(const run::SiteRecord& site, int row, const std::vector<std::u16string>& links,
                                int last)
{
    std::vector<Expected> pages;
    std::u16string head;
    if (site.TagOption != kRemoveAll && !links.empty()) {
        head = articleAddress(site.ServerAddressHeader, links[0]);
        pages.push_back(Expected{head, Expected::Kind::Article, row, false});
    }
    for (int j = 0; j <= last; ++j) {
        if (!fetchesLink(links, j, last)) {
            continue;
        }
        const std::u16string address = articleAddress(site.ServerAddressHeader, linkAt(links, j));
        if (j == 0 && !head.empty() && address == head) {
            pages.front().cut = true;
            continue;
        }
        pages.push_back(Expected{address, Expected::Kind::Article, row, true});
    }
    return pages;
}

/// Foresees what the run will fetch next from what it fetched, without reporting anything.
class Foresight
{
public:
    Foresight(const run::RunState& state, const run::SiteTable& table, run::Reporter quiet, int picturesPerArticle)
        : m_state(state), m_table(table), m_quiet(std::move(quiet)), m_picturesPerArticle(picturesPerArticle)
    {
        m_quiet.silence();
    }

    /// What a site fetches first: its index page, or without index markers its one article.
    std::vector<Expected> start(int row) const
    {
        const run::SiteRecord& site = m_table.rows[static_cast<std::size_t>(row)];
        if (run::outputFileNameProblem(site.FileName)) {
            return {}; // the run skips a site it cannot write
        }
        if (site.FilterIndex1.empty() && site.FilterIndex2.empty()) {
            return sitePages(site, row, {site.IndexAddress}, 0);
        }
        return {Expected{site.IndexAddress, Expected::Kind::Index, row, false}};
    }

    std::vector<Expected> operator()(const Expected& done, const Arrival& arrival)
    {
        if (done.row < 0 || done.row >= static_cast<int>(m_table.rows.size())) {
            return {};
        }
        const run::SiteRecord& site = m_table.rows[static_cast<std::size_t>(done.row)];
        if (done.kind == Expected::Kind::Index) {
            std::vector<std::u16string> links;
            // Cutting may change its arguments; the arrival stays as the run will take it.
            std::u16string page = arrival.text;
            std::u16string part = extract::CutHeader(m_quiet, page, site.FilterIndex1, site.FilterIndex2);
            const int last = lastIndex(extract::CutMsg(m_quiet, part, links), m_state, site);
            // What the run will refuse to fetch is not fetched ahead either.
            std::vector<Expected> pages = sitePages(site, done.row, links, last);
            std::erase_if(pages, [](const Expected& next) { return !mayFetch(next.url, AddressOrigin::Page); });
            return pages;
        }
        std::vector<Expected> pictures;
        if (done.kind == Expected::Kind::Article && done.cut && site.PixOption == u"KeepPix") {
            for (const auto& tries :
                 extract::picturesOfArticle(arrival.text, site.FilterHeadline1, site.FilterHeadline2, site.FilterText1,
                                            site.FilterText2, site.ServerAddressHeader, done.url)) {
                // The run fetches no more of an article's pictures than this either.
                if (static_cast<int>(pictures.size()) >= m_picturesPerArticle) {
                    break;
                }
                if (mayFetch(tries.front(), AddressOrigin::Page)) {
                    pictures.push_back(Expected{tries.front(), Expected::Kind::Picture, done.row, false, done.url});
                }
            }
        }
        return pictures;
    }

private:
    const run::RunState& m_state;
    const run::SiteTable& m_table;
    run::Reporter m_quiet;
    int m_picturesPerArticle;
};

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
                 EpubBook* book)
        : m_ctx(context), m_site(site), m_fe(context.services.frontEnd), m_fetcher(fetcher), m_pictures(pictures),
          m_book(book), m_outputFilePath(context.state.DataPath + site.FileName)
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
        }
        return outcome;
    }

private:
    void gatherInto(SiteOutcome& outcome)
    {
        const int last = collectLinks();
        if (stopAsked(m_ctx)) {
            return; // nothing of the site is written: its page stays as it was
        }
        m_fe.showRunField(RunField::SiteName, m_site.IndexName);
        m_fe.showRunField(RunField::File, m_outputFilePath);
        startPage();
        if (stopAsked(m_ctx)) {
            return;
        }

        for (int j = 0; j <= last; ++j) {
            const std::u16string address = articleAddress(m_site.ServerAddressHeader, linkAt(m_links, j));
            m_fe.showRunField(RunField::URL2, address);
            m_fe.articleStarted(j + 1, last + 1);
            if (fetchesLink(m_links, j, last)) {
                // The page checked for the head is the first article: it is not fetched twice.
                Page page = j == 0 && m_first && m_firstAddress == address
                                ? m_fetcher.again(address, std::move(*m_first))
                                : m_fetcher.fetchPage(address, m_linkOrigin);
                m_first.reset();
                const ArticleOutcome article =
                    page.stopped ? ArticleOutcome::Abandoned : gatherArticle(address, std::move(page.text));
                if (article == ArticleOutcome::Written) {
                    ++outcome.gathered;
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
    }

    /// Fills the link list and returns the highest index to fetch.
    int collectLinks()
    {
        if (m_site.FilterIndex1.empty() && m_site.FilterIndex2.empty()) {
            // Without index markers the index page itself is the one article.
            m_links = {m_site.IndexAddress};
            m_linkOrigin = AddressOrigin::SiteList;
            m_fe.showRunField(RunField::URL, m_site.IndexAddress);
            return 0;
        }
        m_fe.showRunField(RunField::URL, m_site.IndexAddress);
        Page index = m_fetcher.fetchPage(m_site.IndexAddress);
        if (index.stopped) {
            return -1;
        }
        std::u16string page = std::move(index.text);
        std::u16string part =
            extract::CutHeader(m_ctx.services.reporter, page, m_site.FilterIndex1, m_site.FilterIndex2);
        return lastIndex(extract::CutMsg(m_ctx.services.reporter, part, m_links), m_ctx.state, m_site);
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
        if (!m_links.empty()) {
            m_firstAddress = articleAddress(m_site.ServerAddressHeader, m_links[0]);
            m_first = m_fetcher.fetchPage(m_firstAddress, m_linkOrigin);
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
            extract::CutNewsReleasing(article, std::move(page), m_site.FilterHeadline1, m_site.FilterHeadline2,
                                      m_site.FilterText1, m_site.FilterText2, m_site.TagOption, m_site.TableOption,
                                      m_site.PixOption, m_site.ServerAddressHeader, address, minPix);
        m_pictures.endArticle();
        if (stopAsked(m_ctx)) {
            return ArticleOutcome::Abandoned; // its pictures were cut short: it is not written half
        }
        if (cut.empty()) {
            m_ctx.services.reporter.DispErr(u"ダウンロード処理できませんでした。 ", address, u"", u" MAIN\r\n");
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
    const std::u16string m_outputFilePath;
    /// The site page, written beside its place until the site is done.
    std::optional<PageFile> m_page;
    std::vector<std::u16string> m_links;
    /// The first article, fetched for the head and kept until its turn as an article.
    std::optional<Page> m_first;
    std::u16string m_firstAddress;
    /// Links cut out of the index page are the page's word; the index address alone is the user's.
    AddressOrigin m_linkOrigin = AddressOrigin::Page;
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
    // The table may be reloaded while the run walks it (the windows stay usable), so the run
    // walks a copy taken at its start.
    const run::SiteTable table = context.values.SiteTable;
    const int lastRow = state.SiteCount;
    const auto gathered = [&](int row) {
        return row < static_cast<int>(table.rows.size()) &&
               !table.rows[static_cast<std::size_t>(row)].IndexName.empty();
    };

    // While a site is worked on in order, what comes after it is already being fetched.
    const int jobs = std::max(context.values.jobs, 1);
    context.fetcher.setLimits(jobs, std::min(jobs, kMaxPerServer));
    Foresight foresight(state, table, services.reporter, context.values.pictures.perArticle);
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
                              book ? &*book : nullptr);
            outcomes.push_back(site.gather());
            services.frontEnd.siteFinished(outcomes.back().IndexName, outcomes.back().gathered, outcomes.back().failed);
        }
        if (stopAsked(context)) {
            break;
        }
    }
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

bool RunDriver::run(const std::u16string& procedure)
{
    try {
        gatherSites(m_context);
        return true;
    } catch (const OutputError& e) {
        m_context.state.Running = false;
        m_context.services.frontEnd.setStopCaption(kStartCaption);
        m_context.services.reporter.writeFailed(kPageNotWritten, e.path(), run::because(e.cause()), procedure);
        return false;
    }
}

bool RunDriver::prepareAutomatic()
{
    RunPhase idle = RunPhase::Idle;
    if (!m_phase.compare_exchange_strong(idle, RunPhase::Running)) {
        return false;
    }
    m_context.services.frontEnd.setStopCaption(kStopCaption);
    m_context.state.Running = true;
    return true;
}

bool RunDriver::prepareStart()
{
    RunPhase idle = RunPhase::Idle;
    if (!m_phase.compare_exchange_strong(idle, RunPhase::Running)) {
        return false;
    }
    run::RunState& state = m_context.state;
    m_context.services.frontEnd.setStopCaption(kStopCaption);
    if (Init(state, m_context.values, m_context.services) != InitResult::Ready) {
        // Nothing to gather: a run over a failed load would only write empty pages.
        m_context.services.frontEnd.setStopCaption(kStartCaption);
        m_phase = RunPhase::Idle;
        return false;
    }
    state.Running = true;
    return true;
}

bool RunDriver::gatherPrepared(const std::u16string& procedure)
{
    // A stop asked for while Init still ran is taken before the first site.
    applyStopRequest();
    struct BackToIdle
    {
        RunDriver& driver;
        ~BackToIdle()
        {
            driver.m_context.values.dataFolderLock.release(); // free for other programs
            // The run is over: a stop asked for it is spent. Under the lock, so that a stop asked
            // for just now is either spent here or finds the driver idle, never left for the next run.
            const std::lock_guard lock(driver.m_stopMutex);
            driver.m_context.fetcher.resume();
            driver.m_phase = RunPhase::Idle;
        }
    } backToIdle{*this};
    const bool ran = run(procedure);
    // A stop clicked after the run's last check still says that somebody stopped it, so an
    // automatic run does not close the program then.
    if (m_phase.load() == RunPhase::Stopping) {
        m_context.state.AutoStart = false;
    }
    return ran;
}

bool RunDriver::requestStop()
{
    const std::lock_guard lock(m_stopMutex);
    RunPhase running = RunPhase::Running;
    if (!m_phase.compare_exchange_strong(running, RunPhase::Stopping)) {
        return false;
    }
    // Wakes the run wherever it waits for a transfer; it stops at once from there.
    m_context.fetcher.stop();
    return true;
}

void RunDriver::applyStopRequest()
{
    if (m_phase.load() == RunPhase::Stopping && m_context.state.Running) {
        m_context.state.AutoStart = false;
        m_context.state.Running = false;
    }
}

bool RunDriver::automaticRun()
{
    if (!prepareAutomatic()) {
        return false;
    }
    gatherPrepared(u"FormLoad");
    return m_context.state.AutoStart;
}

bool RunDriver::runOnce()
{
    if (!prepareAutomatic()) {
        return false;
    }
    return gatherPrepared(u"FormLoad");
}

bool RunDriver::pressStartStop()
{
    switch (m_phase.load()) {
    case RunPhase::Running:
        // The click arrives while the run yields on this same thread, so the stop is applied
        // at once; the run sees it at its next check of Running.
        requestStop();
        m_context.services.frontEnd.setStopCaption(kStartCaption);
        applyStopRequest();
        return true;
    case RunPhase::Stopping:
        // The run that was stopped is still unwinding; starting now would nest a second run
        // inside it, and both would write the same pages.
        return false;
    case RunPhase::Idle:
        break;
    }
    if (!prepareStart()) {
        return false;
    }
    return gatherPrepared(u"cmdStop");
}

} // namespace vz::gather
