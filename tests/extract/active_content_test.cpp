#include "extract/active_content.h"

#include <gtest/gtest.h>

#include "run/text.h"

namespace vz::test {
namespace {

using text::toUtf8;
using text::u;

TEST(RemoveActiveContent, TakesOutWhatABrowserWouldRunOrLoadAndNothingElse)
{
    const std::pair<const char*, const char*> cases[] = {
        {"a<iframe src=x>b</iframe>c", "ac"},
        {"<OBJECT data=x><param name=y></object >ok<frameset><frame src=z></frameset>", "ok"},
        {"<embed src=x>ok<applet code=y>", "ok"},
        {"<svg onload=alert(1)><body onload=x>", "<svg ><body >"}, // the blanks before them stay,
        {"<meta http-equiv=refresh content=\"0;url=x\">ok<base href=javascript:alert(1)><link rel=x>", "ok"},
        {"<div onmouseover=\"x\" class=a>t</div>", "<div  class=a>t</div>"},
        {"<form action=\" jaVa&#x53;cri&Tab;pt&colon;x\">", "<form >"},
        {"<x href='&#118;bscript:y'/onclick=z>", "<x />"},
        {"<p title='a>b' onclick=x>", "<p title='a>b' >"},
        // What a browser reads as a comment and then a tag is cleaned although it looks like a value.
        {"<!-- <b title=\" --><img src=x onerror=y>\">", "<!-- <b title=\" --><img src=x >\">"},
        {"<ifr<meta>ame src=x>t</iframe>", ""}, // a cut that joins a new element
        {"<IfR<LINK>aMe src=x>t</IFRAME >ok", "ok"},
        {"<abcdefghi<meta>frame>", "<abcdefghiframe>"}, // too far back to begin a name
        {"<b x onclick=1 =y>", "<b x >"},               // "=y" would otherwise give x a value
        {"a<b c=\"d", "a"},                             // a tag that never ends would take the next page text
        // Nothing is fetched from elsewhere; what lies beside the page stays.
        {"<video src=\"http://evil.test/v.mp4\" poster=//evil.test/p.jpg controls>", "<video   controls>"},
        {"<input type=image src=&#x68;ttp://x/><img src=\"pix/00000.gif\"> <br>",
         "<input type=image ><img src=\"pix/00000.gif\"> <br>"},
        {"<table background=\"http://x/bg.gif\"><td background=bg.gif><svg><use href=\"\\\\x/s#a\">",
         "<table ><td background=bg.gif><svg><use >"},
        {"<p style=\"color:red\">a<span style='background:URL( \"HTTP://x/a.png\")'>b</span><i fill=\"url(#x)\" "
         "stroke='url(//x/s#y)' style=\"b\\61ckground:u\\72l(x)\">",
         "<p style=\"color:red\">a<span >b</span><i fill=\"url(#x)\"  >"},
        {"<style>@import 'http://x/a.css';</style>ok<img srcset=\"a.png 1x, http://x/b.png 2x\">", "ok<img >"},
        {"<metadata> <linked> <p class=on>one=1 onward</p> 1 < 2",
         "<metadata> <linked> <p class=on>one=1 onward</p> 1 < 2"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(toUtf8(extract::RemoveActiveContent(u(input))), expected) << input;
        // An article of many megabytes is cleaned where it stands, never beside a copy.
        std::u16string text = u(input);
        const char16_t* const storage = text.data();
        extract::removeActiveContentInPlace(text);
        EXPECT_EQ(toUtf8(text), expected) << input;
        EXPECT_EQ(text.data(), storage) << input;
    }
}

} // namespace
} // namespace vz::test
