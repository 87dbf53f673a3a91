#include "foresight.h"

#include "gather/site_plan.h"
#include "run/output_file_name.h"

namespace vz::gather {

Foresight::Foresight(const run::RunState& state, const run::SiteTable& table, run::Reporter quiet,
                     int picturesPerArticle, GatheredBefore& gatheredBefore)
    : m_state(state), m_table(table), m_quiet(std::move(quiet)), m_picturesPerArticle(picturesPerArticle),
      m_gatheredBefore(gatheredBefore)
{
    m_quiet.silence();
}

std::vector<Expected> Foresight::start(int row) const
{
    const run::SiteRecord& site = m_table.rows[static_cast<std::size_t>(row)];
    if (run::outputFileNameProblem(site.FileName)) {
        return {}; // the run skips a site it cannot write
    }
    if (indexIsArticle(site)) {
        return sitePages(row, walkIndexAsArticle(site));
    }
    return {Expected{site.IndexAddress, Expected::Kind::Index, row, false}};
}

std::vector<Expected> Foresight::operator()(const Expected& done, const Arrival& arrival)
{
    if (done.row < 0 || done.row >= static_cast<int>(m_table.rows.size())) {
        return {};
    }
    const run::SiteRecord& site = m_table.rows[static_cast<std::size_t>(done.row)];
    if (done.kind == Expected::Kind::Index) {
        LinkWalk walk = cutIndex(m_quiet, site, arrival.text, m_state.LastArticleIndex).walk;
        m_gatheredBefore.skip(site, walk);
        return sitePages(done.row, walk);
    }
    std::vector<Expected> pictures;
    if (done.kind == Expected::Kind::Article && done.cut) {
        for (const std::u16string& picture : picturesAhead(site, done.url, arrival.text, m_picturesPerArticle)) {
            pictures.push_back(Expected{picture, Expected::Kind::Picture, done.row, false, done.url});
        }
    }
    return pictures;
}

} // namespace vz::gather
