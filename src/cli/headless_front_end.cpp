#include "headless_front_end.h"

#include "run/text.h"

namespace vz::cli {

void HeadlessFrontEnd::print(const std::u16string& text)
{
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

} // namespace vz::cli
