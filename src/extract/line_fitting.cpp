#include "line_fitting.h"

#include <cmath>

#include "extract/in_place_writer.h"
#include "platform/cp932.h"
#include "run/text.h"

namespace vz::extract {

namespace {

struct LetterGroup
{
    float width;
    const char* letters;
};

constexpr LetterGroup kGroups[] = {
    {0.3F, "il"},
    {0.4F, "j"},
    {0.55F, "r"},
    {0.6F, "If"},
    {0.7F, "Jstz"},
    {0.85F, "FLackvxy"},
    {1.0F, "BCEKPRSXZbdeghnopqu"},
    {1.15F, "ADGHNTUVY"},
    {1.3F, "MOQ"},
    {1.4F, "mw"},
    {1.7F, "W"},
};

bool isLetter(char16_t c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// Single-byte characters of code 32 or more: the blank, digits, signs, half-width kana.
bool isPrintableSingle(int code)
{
    return code >= 32 && code <= 255;
}

} // namespace

void SetLetterWidths(LetterWidthTable& widths)
{
    for (const auto& group : kGroups) {
        for (const char* p = group.letters; *p; ++p) {
            widths[static_cast<std::size_t>(*p - 'A')] = group.width;
        }
    }
}

float LetterWidth(const LetterWidthTable& widths, char16_t c)
{
    return isLetter(c) ? widths[static_cast<std::size_t>(c - u'A')] : 1.0F;
}

std::u16string AddSpc(const LineFitting& fitting, std::u16string_view in)
{
    std::u16string out(in);
    addSpcInPlace(fitting, out);
    return out;
}

void addSpcInPlace(const LineFitting& fitting, std::u16string& article)
{
    if (fitting.FitToScreen != u"E") {
        return;
    }
    const auto limit = static_cast<float>(2 * static_cast<int>(fitting.NrLtrLine) - 1);
    float width = 0.0F;
    int lastBreak = 0;
    // The blanks put in queue until the reading makes room for them.
    InPlaceWriter out(article);
    const std::u16string_view in = out.unread();
    std::size_t pos = 0;
    while (pos < in.size()) {
        if (in[pos] == u'<') {
            const auto lower2 = text::LCase(in.substr(pos, 2));
            const auto lower3 = text::LCase(in.substr(pos, 3));
            if (lower2 == u"<p" || lower3 == u"<br" || lower3 == u"</p") {
                width = 0.0F;
            }
            const auto close = in.find(u'>', pos);
            const std::size_t end = close == std::u16string_view::npos ? in.size() : close + 1;
            out.keep(end - pos);
            pos = end;
        } else if (in.substr(pos, 6) == u"&nbsp;") {
            out.keep(6);
            pos += 6;
            width += 1.0F;
        } else {
            const char16_t c = in[pos++];
            out.keep(1);
            const int code = platform::cp932Code(c);
            if (isPrintableSingle(code)) {
                width += LetterWidth(fitting.LetterWidths, c);
            } else if (code < 0) {
                width += 2.0F;
            }
        }

        if (pos < in.size()) {
            const char16_t next = in[pos];
            const int nextCode = platform::cp932Code(next);
            if (platform::isDoubleByte(out.back()) && isPrintableSingle(nextCode)) {
                out.put(u' ');
                width += 1.0F;
            }
            if (isPrintableSingle(platform::cp932Code(out.back())) && nextCode < 0) {
                out.put(u' ');
                width += 1.0F;
            }
            if (out.back() == u' ' &&
                (next == u' ' || next == u'\n' || next == u'\r' || next == u'<' || next == u'\u3000')) {
                out.popBack();
                width -= 1.0F;
            }
        }
        if (!out.empty() && out.back() == u' ') {
            lastBreak = static_cast<int>(std::nearbyint(width));
        }
        if (width >= limit && !out.empty()) {
            const int lastCode = platform::cp932Code(out.back());
            if (lastCode < 0 || lastCode <= 32) {
                out.put(u' ');
                width = 0.0F;
            } else if (lastBreak != 0) {
                width -= static_cast<float>(lastBreak);
                lastBreak = 0;
            }
        }
    }
    out.finish();
}

} // namespace vz::extract
