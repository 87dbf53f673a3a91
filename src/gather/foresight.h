#pragma once

#include <vector>

#include "gather/gathered_before.h"
#include "gather/look_ahead.h"
#include "run/reporter.h"
#include "run/run_state.h"
#include "run/site_list_file.h"

namespace vz::gather {

/// Foresees what the run will fetch next from what it fetched, without reporting anything.
class Foresight
{
public:
    Foresight(const run::RunState& state, const run::SiteTable& table, run::Reporter quiet, int picturesPerArticle,
              GatheredBefore& gatheredBefore);

    /// What a site fetches first: its index page, or without index markers its one article.
    std::vector<Expected> start(int row) const;

    /// What the run fetches after `done` arrived: an index page's articles, an article's pictures.
    std::vector<Expected> operator()(const Expected& done, const Arrival& arrival);

private:
    const run::RunState& m_state;
    const run::SiteTable& m_table;
    run::Reporter m_quiet;
    int m_picturesPerArticle;
    GatheredBefore& m_gatheredBefore;
};

} // namespace vz::gather
