#pragma once

#include <string>
#include <vector>

namespace vz::edit {

/// What the error list window shows: the reports of the session, one entry for each failure, under
/// a dated heading for each run.
///
/// A page that fails is reported in steps: the download, the markers that then find nothing, and
/// at last that the index or the article could not be processed. Those steps make one entry, the
/// last step first and each cause after it ("←"), with the download's cause (an HTTP status, a
/// time-out) beside the download's report. The reports' own texts are kept as they are.
class ErrorList
{
public:
    /// What the window does with its text after a change.
    struct Change
    {
        /// The last entry is replaced by `text`; otherwise `text` is a new entry.
        bool replacesLast = false;
        std::u16string text;
    };

    /// A run begins at `when` ("yyyy/mm/dd hh:mm:ss"): its first report comes under a heading.
    std::vector<Change> startRun(const std::u16string& when);
    /// The run has ended: what is reported now stands on its own.
    void endRun();
    /// One report line as the reporter gives it (ending in CR LF).
    std::vector<Change> append(const std::u16string& line);
    /// Why `url` could not be downloaded; it goes beside that download's report.
    std::vector<Change> downloadFailed(const std::u16string& url, const std::u16string& cause);

    const std::vector<std::u16string>& entries() const { return m_entries; }

private:
    std::u16string groupText() const;
    std::vector<Change> showGroup(bool fresh);

    std::vector<std::u16string> m_entries;
    struct Part
    {
        std::u16string report; ///< the report's line without its line end
        std::u16string cause;  ///< why its download failed, when told
    };
    /// The steps of the failure shown last, oldest first.
    std::vector<Part> m_group;
    /// Whether the entry last shown is the open failure.
    bool m_groupOpen = false;
    bool m_inRun = false;
    std::u16string m_pendingHeading;
};

} // namespace vz::edit
