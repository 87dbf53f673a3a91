#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/reporter.h"

namespace vz::run {

/// Settings of a site list file that its own format has no room for: its settings line has a fixed
/// number of fields that stored files and other programs read as they are. They live in a file
/// beside it, "NAME.ini.options", one "key=value" a line. A missing file, or a missing key, means
/// the default, which is off for every switch.
class SiteListOptions
{
public:
    /// Also write the day's gathering as one EPUB book.
    static constexpr std::u16string_view kEpub = u"epub";
    /// The book's text runs top to bottom, its pages right to left.
    static constexpr std::u16string_view kVertical = u"vertical";
    /// Articles an earlier run of a site gathered are skipped.
    static constexpr std::u16string_view kOnlyNew = u"onlynew";

    /// The options file's lines (CR LF or LF, already decoded). Lines that are no "key=value", and
    /// keys this program does not know, are kept as they are, so a rewrite loses nothing.
    static SiteListOptions parse(const std::vector<std::u16string>& lines);

    /// Whether a switch is on: its value is "on" (blanks around key and value do not count).
    bool flag(std::u16string_view key) const;
    /// Sets a switch. Switching off a key the file does not hold adds nothing, so an untouched
    /// file stays empty.
    void setFlag(std::u16string_view key, bool on);

    bool epub() const { return flag(kEpub); }
    /// Vertical only means something for a book.
    bool vertical() const { return epub() && flag(kVertical); }
    bool onlyNew() const { return flag(kOnlyNew); }

    /// Whether there is nothing to keep: no line at all.
    bool empty() const { return m_lines.empty(); }
    /// The file's text, CR LF after each line.
    std::u16string text() const;

    bool operator==(const SiteListOptions&) const = default;

private:
    struct Line
    {
        std::u16string key; ///< empty for a line that is no "key=value"
        std::u16string value;
        std::u16string raw; ///< the line as read, written back unless the value was changed
        bool operator==(const Line&) const = default;
    };
    Line* find(std::u16string_view key);
    const Line* find(std::u16string_view key) const;

    std::vector<Line> m_lines;
};

/// The options file of a site list file: its path with ".options" appended.
std::u16string optionsPath(const std::u16string& siteListPath);

/// Reads the options of a site list file: the defaults when there is no options file; nothing,
/// after a report under `procedure`, when there is one that cannot be read.
std::optional<SiteListOptions> readSiteListOptions(Reporter& reporter, const std::u16string& siteListPath,
                                                   const std::u16string& procedure);

/// Writes the options beside a site list file (CP932, CR LF, through a temporary file). Nothing is
/// written when they are empty and no options file is there, so a site list that never had
/// options gets no file. False after a report when it cannot be written.
bool writeSiteListOptions(Reporter& reporter, const std::u16string& siteListPath, const SiteListOptions& options,
                          const std::u16string& procedure);

} // namespace vz::run
