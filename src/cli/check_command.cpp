#include "check_command.h"

#include <algorithm>
#include <filesystem>
#include <variant>

#include "cli/headless_command.h"
#include "cli/interrupt.h"
#include "gather/check_report.h"
#include "gather/site_check.h"
#include "gather/startup.h"
#include "run/reporter.h"
#include "run/run_state.h"
#include "run/site_list_file.h"
#include "run/string_helpers.h"
#include "run/text.h"
#include "run/text_file.h"
#include "run/weekday_table.h"

namespace vz::cli {

namespace {

struct Chosen
{
    run::SiteRecord site;
    gather::CheckedRow row;
};

bool isRegularFile(const std::u16string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(text::toPath(path), ec);
}

/// The site list file: the one named, else today's entry of the weekday table (the program
/// folder's vodeZeva.ini when there is no table). Nothing is created on the way.
std::optional<std::u16string> siteListPath(const CheckOptions& options, const std::u16string& folder,
                                           HeadlessFrontEnd& messages, const platform::Clock& clock, int& status)
{
    if (options.iniFile) {
        std::error_code ec;
        const auto absolute = std::filesystem::absolute(text::toPath(*options.iniFile), ec);
        const std::u16string path = ec ? *options.iniFile : text::fromPath(absolute);
        if (!isRegularFile(path)) {
            messages.alert(u"vodezeva: " + *options.iniFile +
                           u": サイトリストファイルがないか、通常のファイルではありません");
            status = kExitUsage;
            return std::nullopt;
        }
        return path;
    }
    const std::u16string def = folder + u"vodeZeva.def";
    std::u16string path = folder + u"vodeZeva.ini";
    if (isRegularFile(def)) {
        std::string error;
        const auto lines = run::readTextLines(text::toPath(def), error);
        path = lines ? run::siteListOfDay(*lines, run::todayDigit(clock.now()), folder) : u"";
        if (path.empty()) {
            messages.alert(u"vodezeva: 今日のサイトリストファイルが " + def + u" に設定されていません");
            status = kExitNoRun;
            return std::nullopt;
        }
    }
    if (!isRegularFile(path)) {
        messages.alert(u"vodezeva: サイトリストファイル " + path + u" がありません");
        status = kExitNoRun;
        return std::nullopt;
    }
    return path;
}

bool allDigits(const std::u16string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

/// The sites to try, in the order asked for; nothing (after a message) when a SITE names none.
std::optional<std::vector<Chosen>> chooseSites(const run::EditLoad& load, const std::vector<std::u16string>& asked,
                                               HeadlessFrontEnd& messages)
{
    std::vector<Chosen> chosen;
    const int rows = load.EditSiteCount;
    const auto take = [&](int row) {
        const auto at = static_cast<std::size_t>(row);
        chosen.push_back(Chosen{load.table.rows[at], gather::CheckedRow{row + 1, load.table.SiteEnabled[at]}});
    };
    if (asked.empty()) {
        for (int row = 0; row < rows; ++row) {
            const auto at = static_cast<std::size_t>(row);
            if (load.table.SiteEnabled[at] && !load.table.rows[at].IndexName.empty()) {
                take(row);
            }
        }
        return chosen;
    }
    for (const std::u16string& site : asked) {
        const std::size_t before = chosen.size();
        if (allDigits(site)) {
            const std::u16string digits = site.substr(0, 9);
            const int row = std::stoi(text::toUtf8(digits)) - 1;
            if (row >= 0 && row < rows && !load.table.rows[static_cast<std::size_t>(row)].IndexName.empty()) {
                take(row);
            }
        } else {
            for (int row = 0; row < rows; ++row) {
                if (load.table.rows[static_cast<std::size_t>(row)].IndexName == site) {
                    take(row);
                }
            }
        }
        if (chosen.size() == before) {
            messages.alert(u"vodezeva: サイト " + site + u" はサイトリストファイルにありません（行番号は 1 から " +
                           text::number(rows) + u"）");
            return std::nullopt;
        }
    }
    return chosen;
}

} // namespace

int runCheck(const CheckOptions& options, std::FILE* out, HeadlessFrontEnd& messages, const platform::Clock& clock,
             platform::Fetcher& fetcher)
{
    const std::u16string folder = run::withFolderEnd(text::Trim(options.programFolder));
    int status = 0;
    const auto path = siteListPath(options, folder, messages, clock, status);
    if (!path) {
        return status;
    }
    // Reading reports go to standard error only: no log is started anywhere.
    run::RunState noFolders;
    run::Reporter reporter(noFolders, messages, messages);
    reporter.listOnly();
    const auto load = run::loadForEditing(reporter, *path, u"--check");
    if (!load) {
        return kExitNoRun;
    }
    gather::CheckSettings settings;
    settings.jobs = options.jobs;
    const auto fitting = gather::lineFittingOf(load->settings);
    const auto last = gather::lastArticleIndexOf(load->settings);
    for (const auto* problem :
         {std::get_if<gather::SettingProblem>(&fitting), std::get_if<gather::SettingProblem>(&last)}) {
        if (problem) {
            messages.alert(u"vodezeva: " + *path + u" の 1 行目: " + problem->message + u"（" + problem->field +
                           u" が「" + problem->value + u"」）");
            return kExitNoRun;
        }
    }
    settings.fitting = std::get<extract::LineFitting>(fitting);
    settings.LastArticleIndex = std::get<std::int16_t>(last);

    const auto chosen = chooseSites(*load, options.sites, messages);
    if (!chosen) {
        return kExitUsage;
    }
    if (chosen->empty()) {
        messages.alert(u"vodezeva: " + *path + u" にスイッチの入ったサイトがありません");
        return kExitNoRun;
    }

    int working = 0;
    std::string json = "{\"siteList\":" + gather::jsonString(*path) + ",\"sites\":[";
    for (std::size_t i = 0; i < chosen->size(); ++i) {
        const Chosen& one = (*chosen)[i];
        const gather::SiteCheck check = gather::checkSite({one.site, settings, std::nullopt}, fetcher);
        if (check.stopped) {
            break;
        }
        working += check.works() ? 1 : 0;
        if (options.json) {
            json += (i > 0 ? "," : "") + gather::reportJson(check, one.row);
        } else {
            const std::string report =
                text::toUtf8(printable((i > 0 ? u"\n" : u"") + gather::reportText(check, one.row)));
            std::fwrite(report.data(), 1, report.size(), out);
            std::fflush(out);
        }
    }
    const bool allWork = working == static_cast<int>(chosen->size());
    if (options.json) {
        json += "],\"allWork\":" + std::string(allWork ? "true" : "false") + "}\n";
        std::fwrite(json.data(), 1, json.size(), out);
    } else if (interruptSignal() == 0) {
        const std::string summary = text::toUtf8(u"\n" + text::number(static_cast<long long>(chosen->size())) +
                                                 u" サイトのうち " + text::number(working) + u" サイトが使えます\n");
        std::fwrite(summary.data(), 1, summary.size(), out);
    }
    std::fflush(out);
    if (const int signal = interruptSignal(); signal != 0) {
        messages.alert(u"vodezeva: シグナルで中断しました");
        return interruptedExitStatus(signal);
    }
    return allWork ? 0 : kExitCheckFailed;
}

} // namespace vz::cli
