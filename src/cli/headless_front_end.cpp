#include "headless_front_end.h"

#include <utility>

#include "run/text.h"

namespace vz::cli {

namespace {

// Error-list lines that say what was made (or that a book was not, for want of articles), not that
// something went wrong.
constexpr std::u16string_view kNotices[] = {u"ディレクトリを作成しました。", u"目次ページを作成しました。",
                                            u"EPUBを作成しました。",
                                            u"収集した記事がないため、EPUB は作りませんでした。"};

bool isNotice(const std::u16string& line)
{
    for (const auto notice : kNotices) {
        if (line.starts_with(notice)) {
            return true;
        }
    }
    return false;
}

} // namespace

std::u16string printable(const std::u16string& text)
{
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            continue;
        }
        if (c == u'\n' || (c >= 0x20 && c < 0x7F) || c > 0x9F) {
            out += c;
        } else if (c < 0x80) {
            out += {u'\\', u'x', kHex[c >> 4], kHex[c & 0xF]};
        } else {
            out += {u'\\', u'u', u'0', u'0', kHex[c >> 4], kHex[c & 0xF]};
        }
    }
    return out;
}

void HeadlessFrontEnd::clearLiveLine()
{
    if (m_liveLineShown) {
        std::fputs("\r\x1b[K", m_out);
        m_liveLineShown = false;
    }
}

void HeadlessFrontEnd::showLiveLine(const std::u16string& value)
{
    clearLiveLine();
    // One terminal line at most, so that rewriting it in place works.
    const std::u16string shown = printable(value);
    const std::string line = "  " + text::toUtf8(shown.size() > 72 ? shown.substr(0, 69) + u"..." : shown);
    std::fputs(line.c_str(), m_out);
    std::fflush(m_out);
    m_liveLineShown = true;
}

void HeadlessFrontEnd::showRunField(run::RunField field, const std::u16string& value)
{
    if (m_live && field == run::RunField::URL2 && !value.empty()) {
        showLiveLine(value);
    }
}

void HeadlessFrontEnd::transferWaiting(const std::u16string& url, int seconds)
{
    if (url.empty()) {
        return;
    }
    const std::u16string waited = text::number(seconds) + u" 秒";
    if (m_live) {
        showLiveLine(waited + u"待っています: " + url);
    } else if (seconds % 10 == 0) {
        progress(u"vodezeva: " + url + u" を " + waited + u"待っています");
    }
}

void HeadlessFrontEnd::siteFinished(const std::u16string& indexName, int gathered, int failed)
{
    m_gathered += gathered;
    progress(indexName + u": 取得 " + text::number(gathered) + u"、失敗 " + text::number(failed));
}

void HeadlessFrontEnd::downloadFailed(const std::u16string& url, const std::u16string& cause)
{
    ++m_failedDownloads;
    report(u"vodezeva: " + url + u": " + cause);
}

void HeadlessFrontEnd::report(const std::u16string& text)
{
    if (m_quiet && !m_headingShown && !m_heading.empty()) {
        m_headingShown = true;
        print(m_heading);
    }
    print(text);
}

void HeadlessFrontEnd::progress(const std::u16string& text)
{
    if (!m_quiet) {
        print(text);
    }
}

void HeadlessFrontEnd::print(const std::u16string& text)
{
    clearLiveLine();
    // An empty line stays an empty line.
    std::u16string plain = printable(text);
    if (plain.empty() || plain.back() != u'\n') {
        plain += u'\n';
    }
    const std::string bytes = text::toUtf8(plain);
    std::fwrite(bytes.data(), 1, bytes.size(), m_out);
    std::fflush(m_out);
}

void HeadlessFrontEnd::openConfig()
{
    // No window to open: the run's report tells the person to edit the site list file.
}

void HeadlessFrontEnd::appendLine(const std::u16string& line)
{
    if (isNotice(line)) {
        progress(line);
    } else {
        report(line);
    }
}

void HeadlessFrontEnd::information(const std::u16string& text)
{
    progress(text);
}

void HeadlessFrontEnd::alert(const std::u16string& text)
{
    report(text);
}

bool HeadlessFrontEnd::askOkCancel(const std::u16string& text)
{
    report(text);
    return false;
}

bool HeadlessFrontEnd::askYesNo(const std::u16string& text)
{
    report(text);
    return false;
}

} // namespace vz::cli
