#include "run_readiness.h"

#include "run/site_list_file.h"
#include "run/string_helpers.h"
#include "run/text.h"
#include "run/text_file.h"

namespace vz::edit {

std::optional<std::u16string> nothingToRun(const run::RunState& state)
{
    if (text::Trim(state.CurrentIniPath).empty()) {
        return u"今日の曜日には.iniファイルが割り当てられていません（設定 → 曜日毎の.iniファイルの設定）";
    }
    std::string error;
    const auto lines = run::readTextLines(text::toPath(state.CurrentIniPath), error);
    if (!lines || lines->empty()) {
        return std::nullopt;
    }
    const run::RunSettings settings = run::parseSettingsLine(lines->front());
    if (!run::CInt(settings.NrLtrLine).ok()) {
        return u"１行文字数が数ではありません: 「" + settings.NrLtrLine + u"」（設定 → 現在の.iniファイルの編集）";
    }
    if (!settings.NrPage.empty() && !run::CInt(settings.NrPage).ok()) {
        return u"ダウンロードする記事数が数ではありません: 「" + settings.NrPage + u"」";
    }
    bool anySite = false;
    for (std::size_t line = 1; line < lines->size(); ++line) {
        const run::SiteRecord site = run::parseSiteLine((*lines)[line]);
        if (site.IndexName.empty()) {
            continue;
        }
        anySite = true;
        if (site.IndexName.front() != u'\'') {
            return std::nullopt;
        }
    }
    return anySite ? u"チェックの入ったサイトがありません（設定 → "
                     u"現在の.iniファイルの編集で、使うサイトにチェックを入れてください）"
                   : u"サイトがありません（設定 → 現在の.iniファイルの編集で、サイトを加えてください）";
}

} // namespace vz::edit
