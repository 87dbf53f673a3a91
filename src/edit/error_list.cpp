#include "error_list.h"

namespace vz::edit {

namespace {

enum class Step {
    Cause, ///< a step of a failure that goes on: a download, markers that find nothing
    Last,  ///< the index or the article given up: the failure is complete
    Alone, ///< anything else: a notice, a report of the editors or of start-up
};

std::u16string withoutLineEnds(std::u16string line)
{
    while (!line.empty() && (line.back() == u'\n' || line.back() == u'\r')) {
        line.pop_back();
    }
    return line;
}

/// The procedure name closes the line, after the last " : ".
Step stepOf(const std::u16string& shown)
{
    const auto colon = shown.rfind(u" : ");
    const std::u16string procedure = colon == std::u16string::npos ? std::u16string() : shown.substr(colon + 3);
    if (procedure == u"GetHTML" || procedure == u"DownloadFile" || procedure == u"CutHeader" ||
        procedure == u"CutNews") {
        return Step::Cause;
    }
    // " MAIN" with its blank: an article given up. "MAIN" alone is a page that cannot be written.
    if (procedure == u"CutMsg" || procedure == u" MAIN") {
        return Step::Last;
    }
    return Step::Alone;
}

} // namespace

std::vector<ErrorList::Change> ErrorList::startRun(const std::u16string& when)
{
    m_group.clear();
    m_groupOpen = false;
    m_inRun = true;
    m_pendingHeading = u"―― " + when + u" の実行 ――";
    return {};
}

void ErrorList::endRun()
{
    m_group.clear();
    m_groupOpen = false;
    m_inRun = false;
    m_pendingHeading.clear();
}

std::u16string ErrorList::groupText() const
{
    std::u16string text;
    for (auto step = m_group.rbegin(); step != m_group.rend(); ++step) {
        text += (text.empty() ? u"" : u"　← ") + step->report;
        if (!step->cause.empty()) {
            text += u"（" + step->cause + u"）";
        }
    }
    return text;
}

std::vector<ErrorList::Change> ErrorList::showGroup(bool fresh)
{
    std::vector<Change> changes;
    if (fresh && !m_pendingHeading.empty()) {
        if (!m_entries.empty()) {
            m_entries.emplace_back();
            changes.push_back({false, {}});
        }
        m_entries.push_back(m_pendingHeading);
        changes.push_back({false, m_pendingHeading});
        m_pendingHeading.clear();
    }
    const std::u16string text = groupText();
    if (fresh) {
        m_entries.push_back(text);
    } else {
        m_entries.back() = text;
    }
    changes.push_back({!fresh, text});
    return changes;
}

std::vector<ErrorList::Change> ErrorList::append(const std::u16string& line)
{
    const std::u16string shown = withoutLineEnds(line);
    const Step step = stepOf(shown);
    const bool joins = m_inRun && m_groupOpen && step != Step::Alone;
    if (!joins) {
        m_group.clear();
    }
    // The first article's page is asked for twice; its second report says nothing new.
    if (m_group.empty() || m_group.back().report != shown) {
        m_group.push_back({shown, {}});
    }
    std::vector<Change> changes = showGroup(!joins);
    m_groupOpen = m_inRun && step == Step::Cause;
    return changes;
}

std::vector<ErrorList::Change> ErrorList::downloadFailed(const std::u16string& url, const std::u16string& cause)
{
    if (!m_groupOpen || cause.empty()) {
        return {};
    }
    for (auto step = m_group.rbegin(); step != m_group.rend(); ++step) {
        if (step->cause.empty() && step->report.find(url) != std::u16string::npos) {
            step->cause = cause;
            return showGroup(false);
        }
    }
    return {};
}

} // namespace vz::edit
