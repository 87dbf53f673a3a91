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

std::variant<extract::LineFitting, SettingProblem> lineFittingOf(const run::RunSettings& settings)
{
    extract::LineFitting fitting;
    fitting.FitToScreen = settings.FitToScreen ? u"E" : u"J";
    if (settings.FitToScreen) {
        extract::SetLetterWidths(fitting.LetterWidths);
    }
    const run::Int16Result letters = run::CInt(settings.NrLtrLine);
    if (!letters.ok()) {
        return SettingProblem{letters.error, u"１行文字数（NrLtrLine）", settings.NrLtrLine};
    }
    fitting.NrLtrLine = letters.value;
    return fitting;
}

std::variant<std::int16_t, SettingProblem> lastArticleIndexOf(const run::RunSettings& settings)
{
    const std::u16string& nrPage = settings.NrPage;
    if (nrPage.empty()) {
        return std::int16_t{9999};
    }
    const run::Int16Result pages = run::CInt(nrPage);
    if (!pages.ok()) {
        return SettingProblem{pages.error, u"ダウンロードする記事数（NrPage）", nrPage};
    }
    return static_cast<std::int16_t>(pages.value == INT16_MIN ? INT16_MIN : pages.value - 1);
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

InitResult fail(Services& services, const std::u16string& message, const std::u16string& where,
                const std::u16string& why)
{
    services.reporter.DispErr(message, where, why, u"INIT");
    return InitResult::Failed;
}

std::u16string dayFolder(const platform::DateTime& now)
{
    return text::zeroPadded(now.year % 100, 2) + text::zeroPadded(now.month, 2) + text::zeroPadded(now.day, 2) + u"/";
}

/// "プロセス 1234、vodezeva --headless"
std::u16string holderText(const platform::LockHolder& holder)
{
    std::u16string text = holder.pid > 0 ? u"プロセス " + text::number(static_cast<long long>(holder.pid)) : u"";
    if (!holder.program.empty()) {
        text += (text.empty() ? u"" : u"、") + text::fromUtf8(holder.program);
    }
    return text.empty() ? u"起動したばかりのプログラム" : text;
}

/// Takes the data folder for this program unless it holds it already.
InitResult takeDataFolder(const std::u16string& dataPath, RunValues& values, Services& services)
{
    const std::filesystem::path lockPath = text::toPath(dataPath + kDataFolderLockName);
    if (values.dataFolderLock.held() && values.dataFolderLock.path() == lockPath) {
        return InitResult::Ready;
    }
    values.dataFolderLock.release();
    platform::LockAttempt attempt = platform::FileLock::take(lockPath, values.lockName);
    if (attempt.holder) {
        services.reporter.DispErr(u"データフォルダは別の vodeZeva が使用中です。終わってから実行してください。",
                                  dataPath, run::because(holderText(*attempt.holder)), u"INIT");
        return InitResult::Busy;
    }
    if (!attempt.error.empty()) {
        return fail(services, u"データフォルダのロックファイルを作れませんでした。", text::fromPath(lockPath),
                    run::because(text::fromUtf8(attempt.error)));
    }
    values.dataFolderLock = std::move(attempt.lock);
    return InitResult::Ready;
}

InitResult prepare(RunState& state, RunValues& values, Services& services)
{
    run::Reporter& reporter = services.reporter;
    services.events.yieldEvents();

    const std::u16string& path = state.CurrentIniPath;
    if (!run::FileExists(reporter, path)) {
        // A site list named in a folder that is not there is a mistake in the weekday table or on
        // the command line, not a first start: nothing is created.
        const std::u16string folder = path.substr(0, path.rfind(u'/') + 1);
        if (!folder.empty() && !run::DirExists(reporter, folder)) {
            return fail(services, u"サイトリストファイルがありません。", path,
                        run::because(u"フォルダ " + folder + u" がありません"));
        }
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
        const std::u16string description =
            lines ? u"ファイルの終わりを超えて入力しようとしました。" : u"サイトリストファイルを読めませんでした。";
        const std::u16string why = run::because(lines ? u"空のファイルです" : text::fromUtf8(error));
        reporter.DispErr(description, path, why, u"CountLine");
        return fail(services, description, path, why);
    }
    if (lines->size() - 1 > static_cast<std::size_t>(run::kMaxSiteLines)) {
        return fail(services, u"サイトが多すぎます。", path,
                    run::because(text::number(static_cast<long long>(lines->size() - 1)) + u" 行、上限 " +
                                 text::number(run::kMaxSiteLines) + u" 行"));
    }
    const auto siteCount = static_cast<std::int16_t>(lines->size() - 1);
    // A setting that is no number is reported with its field, its value and where it stands.
    const auto badNumber = [&](const SettingProblem& problem) {
        return fail(services, problem.message, path + u" の 1 行目",
                    run::because(problem.field + u" が「" + problem.value + u"」"));
    };

    const run::RunSettings settings = run::parseSettingsLine((*lines)[0]);
    auto fitting = lineFittingOf(settings);
    if (const auto* problem = std::get_if<SettingProblem>(&fitting)) {
        return badNumber(*problem);
    }
    values.fitting = std::get<extract::LineFitting>(std::move(fitting));

    // Without a data folder the pages would land wherever the program happened to be started
    // (for a scheduler, often a folder nobody may write to); the program folder is known.
    std::u16string dataPath = settings.DataPath.empty() ? state.ProgramFolder : settings.DataPath;
    state.AutoStart = settings.AutoStart;
    state.DailySort = settings.DailySort;
    if (state.DailySort) {
        dataPath += dayFolder(services.clock.now());
    }

    bool created = false;
    if (!run::DirExists(reporter, dataPath)) {
        run::DirCreate(reporter, dataPath);
        if (!run::DirExists(reporter, dataPath)) {
            return fail(services, u"データフォルダを作成できませんでした。", dataPath, u"");
        }
        created = true;
    }
    // Before anything of the folder is touched: the log, the pictures and the pages of a run that
    // goes on there must stay its own.
    if (const InitResult taken = takeDataFolder(dataPath, values, services); taken != InitResult::Ready) {
        return taken;
    }
    state.DataPath = dataPath;
    run::removeLeftoverTemporaries(text::toPath(dataPath));
    // The log is replaced before the folder is reported, so that line stays in the new log.
    if (!reporter.startLog(services.clock.now())) {
        return fail(services, u"ログファイルを書き込めませんでした。", text::fromPath(reporter.logPath()), u"");
    }
    if (created) {
        reporter.DispErr(u"ディレクトリを作成しました。", state.DataPath, u"", u"Init");
    }

    const auto last = lastArticleIndexOf(settings);
    if (const auto* problem = std::get_if<SettingProblem>(&last)) {
        return badNumber(*problem);
    }
    state.LastArticleIndex = std::get<std::int16_t>(last);
    state.Contents = settings.Contents;
    state.SeparateTopicFiles = settings.SeparateTopicFiles;
    // Options that cannot be read are reported and left at their defaults: the pages come out
    // as they always did.
    values.options = run::readSiteListOptions(reporter, path, u"INIT").value_or(run::SiteListOptions{});

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

} // namespace

InitResult Init(RunState& state, RunValues& values, Services& services)
{
    const InitResult result = prepare(state, values, services);
    if (result != InitResult::Ready) {
        values.dataFolderLock.release(); // no run follows
    }
    return result;
}

namespace {

StartUpResult initAsStartUp(RunState& state, RunValues& values, Services& services)
{
    switch (Init(state, values, services)) {
    case InitResult::Ready:
        return StartUpResult::Ready;
    case InitResult::NoSites:
        return StartUpResult::NoSites;
    case InitResult::Busy:
        return StartUpResult::Busy;
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
        services.reporter.DispErr(u"曜日毎の.iniファイルの設定を読めませんでした。", run::weekdayTablePath(state),
                                  run::because(def.error), u"FormLoad");
        return StartUpResult::Failed;
    }
    services.frontEnd.setCaption(run::FileNameOnly(state.CurrentIniPath));
    services.reporter.startLog(services.clock.now());
    if (state.CurrentIniPath.empty()) {
        services.reporter.DispErr(u"No .ini file defined on this week of day", run::weekdayTablePath(state),
                                  run::because(u"今日（" + text::number(run::todayDigit(services.clock.now())) +
                                               u"）の行にファイルの名前がありません"),
                                  u"FormLoad");
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

} // namespace vz::gather
