#include "site_list_options.h"

#include <filesystem>
#include <utility>

#include "run/file_helpers.h"
#include "run/text.h"
#include "run/text_file.h"

namespace vz::run {

namespace {

constexpr std::u16string_view kOn = u"on";
constexpr std::u16string_view kOff = u"off";

} // namespace

SiteListOptions SiteListOptions::parse(const std::vector<std::u16string>& lines)
{
    SiteListOptions options;
    for (const std::u16string& raw : lines) {
        Line line{{}, {}, raw};
        if (const auto equals = raw.find(u'='); equals != std::u16string::npos) {
            line.key = text::Trim(std::u16string_view(raw).substr(0, equals));
            line.value = text::Trim(std::u16string_view(raw).substr(equals + 1));
        }
        options.m_lines.push_back(std::move(line));
    }
    return options;
}

const SiteListOptions::Line* SiteListOptions::find(std::u16string_view key) const
{
    // The last line of a key counts, as a later setting overrides an earlier one.
    for (auto it = m_lines.rbegin(); it != m_lines.rend(); ++it) {
        if (!it->key.empty() && it->key == key) {
            return &*it;
        }
    }
    return nullptr;
}

SiteListOptions::Line* SiteListOptions::find(std::u16string_view key)
{
    return const_cast<Line*>(std::as_const(*this).find(key));
}

bool SiteListOptions::flag(std::u16string_view key) const
{
    const Line* line = find(key);
    return line && line->value == kOn;
}

void SiteListOptions::setFlag(std::u16string_view key, bool on)
{
    const std::u16string_view value = on ? kOn : kOff;
    Line* line = find(key);
    if (!line) {
        if (on) {
            const std::u16string name(key);
            m_lines.push_back(Line{name, std::u16string(value), name + u"=" + std::u16string(value)});
        }
        return;
    }
    if (line->value != value) {
        line->value = value;
        line->raw = line->key + u"=" + line->value;
    }
}

std::u16string SiteListOptions::text() const
{
    std::u16string out;
    for (const Line& line : m_lines) {
        out += line.raw + u"\r\n";
    }
    return out;
}

std::u16string optionsPath(const std::u16string& siteListPath)
{
    return siteListPath + u".options";
}

std::optional<SiteListOptions> readSiteListOptions(Reporter& reporter, const std::u16string& siteListPath,
                                                   const std::u16string& procedure)
{
    const std::u16string path = optionsPath(siteListPath);
    std::error_code ec;
    if (!std::filesystem::exists(text::toPath(path), ec) && !ec) {
        return SiteListOptions{};
    }
    std::string error;
    const auto lines = readTextLines(text::toPath(path), error);
    if (!lines) {
        reporter.DispErr(u"サイトリストのオプションファイルを読めませんでした。", path,
                         because(text::fromUtf8(error.empty() ? ec.message() : error)), procedure);
        return std::nullopt;
    }
    return SiteListOptions::parse(*lines);
}

bool writeSiteListOptions(Reporter& reporter, const std::u16string& siteListPath, const SiteListOptions& options,
                          const std::u16string& procedure)
{
    const std::u16string path = optionsPath(siteListPath);
    std::error_code ec;
    if (options.empty() && !std::filesystem::exists(text::toPath(path), ec)) {
        return true;
    }
    return writeTextFile(reporter, path, options.text(), procedure);
}

} // namespace vz::run
