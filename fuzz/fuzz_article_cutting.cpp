// Article cutting with every option, pictures kept through a fake keeper that numbers them as
// the run does. Input: one byte of options, then page 0x01 FilterHeadline1 0x01 FilterHeadline2
// 0x01 FilterText1 0x01 FilterText2.

#include "extract/active_content.h"
#include "extract/article_cutting.h"
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
    if (tag.empty()) {
        // What the cleaning gives back holds nothing more to remove.
        vz::fuzz::mustAgree(vz::extract::RemoveActiveContent(article), article, "CutNews output cleaned again");
    }
    return 0;
}
