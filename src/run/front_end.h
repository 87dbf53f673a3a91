#pragma once

#include <string>

namespace vz::run {

/// The main window's text boxes that show where a run is.
enum class RunField { SiteName, URL, URL2, File };

/// What the core asks of the main window and the windows it opens. The windows implement it;
/// the headless command prints what a person would need to see and ignores the rest.
class FrontEnd
{
public:
    virtual ~FrontEnd() = default;
    /// Main window caption, after "vodeZeva  :  ".
    virtual void setCaption(const std::u16string& fileName) = 0;
    /// Shows the configuration window on the run state's EditIniPath.
    virtual void openConfig() = 0;
    virtual void showRunField(RunField field, const std::u16string& text) = 0;
    /// The start/stop button's caption.
    virtual void setStopCaption(const std::u16string& caption) = 0;
    /// A site of the run is done: how many articles were gathered and how many failed.
    virtual void siteFinished(const std::u16string& indexName, int gathered, int failed) = 0;
    /// The current site's article `article` of `articles` (both counted from 1) is next; for a
    /// progress display, so a front end without one may ignore it.
    virtual void articleStarted(int article, int articles)
    {
        (void)article;
        (void)articles;
    }
    /// A page could not be downloaded; `cause` says why in words (HTTP status and reason,
    /// time-out, size limit, refused address). The failure's report goes to the log and the error
    /// list as always, without the cause; this is for a status line or the terminal.
    virtual void downloadFailed(const std::u16string& /*url*/, const std::u16string& /*cause*/) {}
    /// The run has waited `seconds` (1 and on, told once a second) for the transfer of `url`;
    /// `url` is empty once that wait is over. So a site that never answers is seen, not guessed at.
    virtual void transferWaiting(const std::u16string& /*url*/, int /*seconds*/) {}
    /// A picture of the current article is being fetched; for a progress display.
    virtual void pictureStarted(const std::u16string& /*url*/) {}
};

/// Receives error-list lines (the error list window, or stderr without windows).
class ErrorSink
{
public:
    virtual ~ErrorSink() = default;
    /// One line as the error list shows it, ending in CR LF.
    virtual void appendLine(const std::u16string& line) = 0;
};

} // namespace vz::run
