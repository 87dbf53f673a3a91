// Article cutting with every option, pictures kept through a fake keeper that numbers them as
// the run does. Input: one byte of options, then page 0x01 FilterHeadline1 0x01 FilterHeadline2
// 0x01 FilterText1 0x01 FilterText2.

#include "extract/article_cutting.h"
#include "extract/safe_markup.h"
#include "fakes/fake_picture_keeper.h"
#include "fuzz_support.h"

namespace {

struct Harness
{
    Harness()
    {
        pictures.resources = {{"http://site/kept.gif", std::string(300, 'k')},
                              {"http://site/news/small.gif", std::string(10, 's')},
                              {"http://pics/c.png", std::string(500, 'c')}};
    }

    vz::fuzz::QuietReporter quiet;
    vz::extract::LineFitting fitting;
    vz::test::FakePictureKeeper pictures;
    vz::extract::ExtractContext ctx{quiet.reporter, fitting, pictures};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Harness h;
    if (size == 0) {
        return 0;
    }
    const std::uint8_t options = data[0];
    const auto in = vz::fuzz::parts(data + 1, size - 1, 5);
    h.fitting.FitToScreen = options & 1 ? u"E" : u"J";
    h.fitting.NrLtrLine = static_cast<std::int16_t>((options >> 1) & 7);
    vz::extract::SetLetterWidths(h.fitting.LetterWidths);
    const std::u16string tag = options & 16 ? u"RemoveAll" : u"";
    const std::u16string table[] = {u"", u"RemoveTable", u"RemoveTableTag", u"RemoveTable"};
    const std::u16string pix = options & 128 ? u"KeepPix" : u"";
    h.pictures.requested.clear();
    std::int32_t minPix = 0;
    const std::u16string article =
        vz::extract::CutNews(h.ctx, in[0], in[1], in[2], in[3], in[4], tag, table[(options >> 5) & 3], pix,
                             u"http://site/", u"http://site/news/a.html", minPix);
    // Whatever the options, the article holds only what they allow, and nothing more would go.
    const std::u16string rule = u"\r\n <hr noshade='noshade'  size=2 ><p></p>\r\n";
    if (tag.empty()) {
        const vz::extract::MarkupPolicy policy{((options >> 5) & 3) == 0, !pix.empty()};
        vz::fuzz::mustAgree(vz::extract::SanitizeMarkup(article, policy), article, "CutNews output cleaned again");
        vz::fuzz::mustHoldOnlyAllowed(article + rule + article, {true, policy.tables, policy.pictures}, "CutNews");
    } else {
        vz::fuzz::mustAgree(vz::extract::PlainText(article), article, "CutNews plain text made plain again");
        vz::fuzz::mustHoldOnlyAllowed(article + u">" + article + u">", {false, false, false}, "CutNews");
    }
    return 0;
}
