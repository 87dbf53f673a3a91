#include "headless_front_end.h"

#include "run/text.h"

namespace vz::cli {

void HeadlessFrontEnd::clearLiveLine()
{
    if (m_liveLineShown) {
        std::fputs("\r\x1b[K", m_out);
        m_liveLineShown = false;
    }
}

void HeadlessFrontEnd::showRunField(run::RunField field, const std::u16string& value)
{
    if (!m_live || field != run::RunField::URL2 || value.empty()) {
        return;
    }
    clearLiveLine();
    // One terminal line at most, so that rewriting it in place works.
    const std::string line = "  " + text::toUtf8(value.size() > 72 ? value.substr(0, 69) + u"..." : value);
    std::fputs(line.c_str(), m_out);
    std::fflush(m_out);
    m_liveLineShown = true;
}

void HeadlessFrontEnd::siteFinished(const std::u16string& indexName, int gathered, int failed)
{
    print(indexName + u": " + text::number(gathered) + u" gathered, " + text::number(failed) + u" failed");
}

void HeadlessFrontEnd::print(const std::u16string& text)
{
    clearLiveLine();
    // CR LF becomes a plain line end on a terminal; an empty line stays an empty line.
    std::u16string plain;
    plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            continue;
        }
        plain += text[i];
    }
    if (plain.empty() || plain.back() != u'\n') {
        plain += u'\n';
    }
    const std::string bytes = text::toUtf8(plain);
    std::fwrite(bytes.data(), 1, bytes.size(), m_out);
    std::fflush(m_out);
}

void HeadlessFrontEnd::openConfig()
{
    m_configRequested = true;
}

void HeadlessFrontEnd::appendLine(const std::u16string& line)
{
    print(line);
}

void HeadlessFrontEnd::information(const std::u16string& text)
{
    print(text);
}

void HeadlessFrontEnd::alert(const std::u16string& text)
{
    print(text);
}

bool HeadlessFrontEnd::askOkCancel(const std::u16string& text)
{
    print(text);
    return false;
}

bool HeadlessFrontEnd::askYesNo(const std::u16string& text)
{
    print(text);
    return false;
}

} // namespace vz::cli
