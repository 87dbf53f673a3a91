#include "gather/page_head.h"

#include <gtest/gtest.h>

#include "gather/startup.h"

namespace vz::test {
namespace {

using gather::CheckCharset;
using gather::MakePageHead;
using gather::standardHead;

std::u16string page(const std::u16string& head)
{
    return u"<html><head>" + head + u"<title>t</title></head><body>本文</body></html>";
}

std::u16string contentType(const std::u16string& charset)
{
    return u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + charset + u"\">";
}

std::u16string headWith(const std::u16string& tag)
{
    return u"<html>\r\n<head>\r\n" + tag + u"\r\n</head>";
}

// The site page's head as the run picks it: the standard head for a known charset, else the one
// built from the page.
std::u16string siteHead(const std::u16string& p)
{
    return CheckCharset(p) ? standardHead() : MakePageHead(p, standardHead());
}

struct HeadCase
{
    const char* name;
    std::u16string page;
    bool known;
    std::u16string head;
};

TEST(PageHead, TheRunGetsTheStandardHeadOrThePagesOwnTag)
{
    const std::u16string latin = contentType(u"ISO-8859-1");
    const std::u16string refresh = u"<META HTTP-EQUIV=\"Refresh\" CONTENT=\"60\">";
    const HeadCase cases[] = {
        {"EUC-JP", page(contentType(u"EUC-JP")), true, standardHead()},
        {"Shift_JIS, upper case, closed with />",
         page(u"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=SHIFT_JIS\" />"), true, standardHead()},
        {"part of a known name", page(contentType(u"jis")), true, standardHead()},
        {"ISO-8859-1", page(latin), false, headWith(latin)},
        // The list holds "x -sjis", so the name as written is not known.
        {"x-sjis", page(contentType(u"x-sjis")), false, headWith(contentType(u"x-sjis"))},
        // A refresh tag is never carried into the page, even where it stands first.
        {"a refresh tag first", page(refresh + contentType(u"windows-1252")), false, standardHead()},
        {"unquoted", page(u"<meta http-equiv=content-type content=text/html;charset=latin1>"), false,
         headWith(u"<meta http-equiv=content-type content=text/html;charset=latin1>")},
        // The value starts with the quote, so it is cut to nothing, and nothing counts as known.
        {"quoted charset attribute", page(refresh + u"<meta charset=\"iso-8859-1\">"), true, standardHead()},
        {"no meta tag", page(u""), false, standardHead()},
        {"only a charset attribute", page(u"<meta charset=\"euc-jp\">"), false, standardHead()},
        {"http-equiv without charset", page(refresh), false, standardHead()},
        {"tag never closed", u"<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r", true,
         standardHead()},
        {"windows-1251", page(contentType(u" Windows-1251 ")), false, headWith(contentType(u" Windows-1251 "))},
        // A charset that reads the written bytes as other markup never heads the page, nor does
        // a tag that a reader could take two ways.
        {"csISO2022JP", page(contentType(u"csISO2022JP")), false, standardHead()},
        {"iso-2022-kr", page(contentType(u"iso-2022-kr")), false, standardHead()},
        {"UTF-16", page(contentType(u"UTF-16")), false, standardHead()},
        {"replacement", page(contentType(u"replacement")), false, standardHead()},
        {"x-user-defined", page(contentType(u"x-user-defined")), false, standardHead()},
        {"a reference", page(contentType(u"&#108;atin1")), false, standardHead()},
        {"a > in a quoted value",
         page(u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=latin1; a=>\">"), false, standardHead()},
        {"another attribute", page(u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=latin1\" x=y>"),
         false, standardHead()},
        {"a second content",
         page(u"<meta http-equiv=\"Content-Type\" content=\"a\" content=\"text/html; charset=latin1\">"), false,
         standardHead()},
        {"a control character", page(u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=latin1\x1b\">"),
         false, standardHead()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CheckCharset(c.page), c.known);
        EXPECT_EQ(siteHead(c.page), c.head);
    }
}

TEST(PageHead, TheValueEndsTwoCharactersBeforeTheClosingBracket)
{
    // Unquoted, the last letter of the name is dropped with the quote that is not there.
    EXPECT_TRUE(CheckCharset(u"<meta http-equiv=Content-Type content=text/html;charset=euc-jpX>"));
    EXPECT_FALSE(CheckCharset(u"<meta http-equiv=Content-Type content=text/html;charset=latin1X>"));
    EXPECT_TRUE(CheckCharset(u"<meta http-equiv=Content-Type content=text/html;charset=utf-8 \">"));
}

} // namespace
} // namespace vz::test
