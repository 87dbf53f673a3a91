#include "startup.h"

#include <filesystem>

#include "run/file_helpers.h"
#include "run/string_helpers.h"
#include "run/text.h"
#include "run/text_file.h"
#include "run/weekday_table.h"

namespace vz::gather {

using run::RunState;
using text::u;

std::u16string standardHead()
{
    return u"<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\r\n"
           u"</head>";
}

std::u16string noSitesMessage(const std::u16string& iniPath)
{
    return iniPath + u"が存在しませんでした。Config画面を開きますのでダウンロードサイトの設定を行ってください。 ";
}

namespace {

void openConfigOnEmptyTable(RunState& state, RunValues& values, Services& services)
{
    state.SiteCount = 0;
    values.SiteTable = {};
    state.EditIniPath = state.CurrentIniPath;
    services.messages.information(noSitesMessage(state.CurrentIniPath));
    services.frontEnd.openConfig();
}

InitResult fail(Services& services, const std::u16string& description)
{
    services.reporter.DispErr(description, u"", u"", u"INIT");
    return InitResult::Failed;
}

std::u16string dayFolder(const platform::DateTime& now)
{
    return text::zeroPadded(now.year % 100, 2) + text::zeroPadded(now.month, 2) + text::zeroPadded(now.day, 2) + u"/";
}

} // namespace

InitResult Init(RunState& state, RunValues& values, Services& services)
{
    run::Reporter& reporter = services.reporter;
    services.events.yieldEvents();

    const std::u16string& path = state.CurrentIniPath;
    if (!run::FileExists(reporter, path)) {
        if (!run::writeTextFile(reporter, path, run::defaultSettingsLine() + u"\r\n", u"INIT")) {
            return InitResult::Failed;
        }
        openConfigOnEmptyTable(state, values, services);
        return InitResult::NoSites;
    }

    state.SiteCount = 0;
    state.AutoStart = false;
    std::string error;
    auto lines = run::readTextLines(text::toPath(path), error);
    if (!lines || lines->empty()) {
        const std::u16string description = lines ? u"Input past end of file" : text::fromUtf8(error);
        reporter.DispErr(description, path, u"", u"CountLine");
        return fail(services, description);
    }
    if (lines->size() - 1 > static_cast<std::size_t>(run::kMaxSiteLines)) {
        return fail(services, u"Too many sites: " + path + u" holds " +
                                  text::number(static_cast<long long>(lines->size() - 1)) + u" site lines, at most " +
                                  text::number(run::kMaxSiteLines) + u" are allowed");
    }
    const auto siteCount = static_cast<std::int16_t>(lines->size() - 1);

    const run::RunSettings settings = run::parseSettingsLine((*lines)[0]);
    values.fitting.FitToScreen = settings.FitToScreen ? u"E" : u"J";
    if (settings.FitToScreen) {
        extract::SetLetterWidths(values.fitting.LetterWidths);
    }
    const run::Int16Result letters = run::CInt(settings.NrLtrLine);
    if (!letters.ok()) {
        return fail(services, letters.error);
    }
    values.fitting.NrLtrLine = letters.value;

    // Without a data folder the pages would land wherever the program happened to be started
    // (for a scheduler, often a folder nobody may write to); the program folder is known.
    std::u16string dataPath = settings.DataPath.empty() ? state.ProgramFolder : settings.DataPath;
    state.AutoStart = settings.AutoStart;
    state.DailySort = settings.DailySort;
    if (state.DailySort) {
        dataPath += dayFolder(services.clock.now());
    }
    state.DataPath = dataPath;

    bool created = false;
    if (!run::DirExists(reporter, state.DataPath)) {
        run::DirCreate(reporter, state.DataPath);
        if (!run::DirExists(reporter, state.DataPath)) {
            return fail(services, u"The data folder could not be created: " + state.DataPath);
        }
        created = true;
    }
    // The log is replaced before the folder is reported, so that line stays in the new log.
    if (!reporter.startLog(services.clock.now())) {
        return fail(services, u"The log could not be written in " + state.DataPath);
    }
    if (created) {
        reporter.DispErr(u"ディレクトリを作成しました。", state.DataPath, u"", u"Init");
    }

    const std::u16string& nrPage = settings.NrPage;
    if (nrPage.empty()) {
        state.LastArticleIndex = 9999;
    } else {
        const run::Int16Result pages = run::CInt(nrPage);
        if (!pages.ok()) {
            return fail(services, pages.error);
        }
        state.LastArticleIndex = static_cast<std::int16_t>(pages.value == INT16_MIN ? INT16_MIN : pages.value - 1);
    }
    state.Contents = settings.Contents;
    state.SeparateTopicFiles = settings.SeparateTopicFiles;

    state.SiteCount = siteCount;
    if (siteCount == 0) {
        openConfigOnEmptyTable(state, values, services);
        return InitResult::NoSites;
    }
    lines->erase(lines->begin());
    values.SiteTable = run::buildSiteTable(*lines, siteCount);
    if (run::DirExists(reporter, state.DataPath + u"pix")) {
        run::DirDelete(reporter, state.DataPath + u"pix");
    }
    values.StandardHead = standardHead();
    return InitResult::Ready;
}

namespace {

StartUpResult initAsStartUp(RunState& state, RunValues& values, Services& services)
{
    switch (Init(state, values, services)) {
    case InitResult::Ready:
        return StartUpResult::Ready;
    case InitResult::NoSites:
        return StartUpResult::NoSites;
    case InitResult::Failed:
        break;
    }
    return StartUpResult::Failed;
}

} // namespace

StartUpResult startUp(RunState& state, RunValues& values, Services& services, const std::u16string& programFolder)
{
    services.frontEnd.setCaption(u"vodeZeva.def");
    state.ProgramFolder = run::withFolderEnd(text::Trim(programFolder));
    state.IniChosenByHand = false;
    const run::ReadDefResult def =
        run::readDef(state, services.reporter, services.events, services.messages, services.clock);
    if (!def.ok) {
        services.reporter.DispErr(def.error, u"", u"", u"FormLoad");
        return StartUpResult::Failed;
    }
    services.frontEnd.setCaption(run::FileNameOnly(state.CurrentIniPath));
    services.reporter.startLog(services.clock.now());
    if (state.CurrentIniPath.empty()) {
        services.reporter.DispErr(u"No .ini file defined on this week of day", u"", u"", u"FormLoad");
        return StartUpResult::NoIniFile;
    }
    return initAsStartUp(state, values, services);
}

StartUpResult startUpWithFile(RunState& state, RunValues& values, Services& services,
                              const std::u16string& programFolder, const std::u16string& iniFile)
{
    state.ProgramFolder = run::withFolderEnd(text::Trim(programFolder));
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(text::toPath(iniFile), ec);
    state.CurrentIniPath = ec ? iniFile : text::fromPath(absolute);
    state.IniChosenByHand = true;
    services.frontEnd.setCaption(run::FileNameOnly(state.CurrentIniPath));
    services.reporter.startLog(services.clock.now());
    return initAsStartUp(state, values, services);
}

void shutdown(const RunState& state, Services& services)
{
    if (state.DataPath.empty()) {
        return;
    }
    const std::u16string raw = state.DataPath + u"raw.tmp";
    if (run::FileExists(services.reporter, raw)) {
        run::FileDelete(services.reporter, raw);
    }
}

} // namespace vz::gather
