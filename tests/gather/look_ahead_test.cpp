#include "gather/look_ahead.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fakes/fake_fetcher.h"
#include "run/text.h"

namespace vz::test {
namespace {

using gather::Expected;
using Kind = gather::Expected::Kind;

/// Serves every address as "<p>" + address + "</p>".
class ScriptedFetcher final : public FakeFetcher
{
protected:
    platform::Fetched serve(const std::string& url) override { return {{0, "text/html", ""}, "<p>" + url + "</p>"}; }
};

std::vector<Expected> pages(int row, std::initializer_list<const char16_t*> urls)
{
    std::vector<Expected> items;
    for (const char16_t* url : urls) {
        items.push_back(Expected{url, Kind::Article, row, true});
    }
    return items;
}

TEST(LookAhead, StartsWhatIsExpectedInOrderNeverMoreThanItsWindow)
{
    ScriptedFetcher fetcher;
    gather::LookAhead ahead(fetcher, 3, 1 << 20, nullptr);
    ahead.expect(pages(0, {u"a", u"b", u"c", u"d", u"e"}));
    EXPECT_EQ(fetcher.started, (std::vector<std::string>{"a", "b", "c"}));

    EXPECT_EQ(ahead.take(u"b", Kind::Article).text, u"<p>b</p>") << "pages come converted to text";
    EXPECT_EQ(fetcher.started.back(), "d");
    EXPECT_EQ(ahead.take(u"x", Kind::Article).text, u"<p>x</p>") << "what was not expected is fetched at once";
    for (const char16_t* url : {u"a", u"c", u"d", u"e"}) {
        EXPECT_EQ(ahead.take(url, Kind::Article).text, u"<p>" + std::u16string(url) + u"</p>");
        EXPECT_LE(ahead.underWay(), 3U);
    }
    EXPECT_EQ(fetcher.started.size(), 6U) << "each page fetched once";
    EXPECT_EQ(fetcher.pending(), 0U);
}

// An index page tells the site's articles, which come before the next site's index page.
TEST(LookAhead, PutsWhatAnArrivalForeseesRightAfterIt)
{
    ScriptedFetcher fetcher;
    gather::LookAhead ahead(fetcher, 2, 1 << 20, [](const Expected& done, const gather::Arrival&) {
        return done.url == u"index0" ? pages(0, {u"a1", u"a2"}) : std::vector<Expected>{};
    });
    ahead.expect({Expected{u"index0", Kind::Index, 0, false}, Expected{u"index1", Kind::Index, 1, false}});
    ahead.take(u"index0", Kind::Index);
    EXPECT_EQ(fetcher.started, (std::vector<std::string>{"index0", "index1", "a1"}));
    ahead.take(u"a1", Kind::Article);
    EXPECT_EQ(fetcher.started.back(), "a2");
}

// The fetcher is told the run's order: an article's pictures come before the next article, and a
// site's articles before the next site, however late they were foreseen.
TEST(LookAhead, TellsTheFetcherTheOrderTheRunWillTakeItsFetchesIn)
{
    ScriptedFetcher fetcher;
    gather::LookAhead ahead(fetcher, 10, 1 << 20, [](const Expected& done, const gather::Arrival&) {
        if (done.url == u"index0") {
            return pages(0, {u"a0", u"a1"});
        }
        if (done.url == u"a0") {
            return std::vector<Expected>{Expected{u"p0", Kind::Picture, 0, false, u"a0"},
                                         Expected{u"p1", Kind::Picture, 0, false, u"a0"}};
        }
        return done.url == u"index1" ? pages(1, {u"b0"}) : std::vector<Expected>{};
    });
    ahead.expect({Expected{u"index0", Kind::Index, 0, false}, Expected{u"index1", Kind::Index, 1, false}});
    ahead.take(u"index1", Kind::Index);
    ahead.take(u"index0", Kind::Index);
    ahead.take(u"a0", Kind::Article);
    std::vector<std::string> byOrder = fetcher.started;
    std::stable_sort(byOrder.begin(), byOrder.end(),
                     [&](const std::string& a, const std::string& b) { return fetcher.orders[a] < fetcher.orders[b]; });
    EXPECT_EQ(byOrder, (std::vector<std::string>{"index0", "a0", "p0", "p1", "a1", "index1", "b0"}));
}

// No new fetch starts while the pages that arrived and wait to be taken hold the budget.
// Stopping or moving on to the next site abandons what was under way for the sites left behind,
// and the run's end abandons everything.
TEST(LookAhead, AbandonsWhatTheRunLeftBehind)
{
    ScriptedFetcher fetcher;
    {
        gather::LookAhead ahead(fetcher, 10, 1 << 20, nullptr);
        ahead.expect(pages(0, {u"a", u"b"}));
        ahead.expect(pages(1, {u"c", u"d"}));
        ahead.take(u"a", Kind::Article);
        ahead.forgetBefore(1);
        EXPECT_EQ(fetcher.abandoned, std::vector<std::string>{"b"});
        EXPECT_EQ(ahead.underWay(), 2U);
    }
    EXPECT_EQ(fetcher.abandoned, (std::vector<std::string>{"b", "c", "d"}));
    EXPECT_EQ(fetcher.pending(), 0U);
}

} // namespace
} // namespace vz::test
