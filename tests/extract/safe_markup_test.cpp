#include "extract/safe_markup.h"

#include <random>
#include <string>

#include <gtest/gtest.h>

#include "run/text.h"
#include "support/markup_oracle.h"
#include "support/pieces.h"

namespace vz::test {
namespace {

using namespace std::literals;
using text::toUtf8;
using text::u;

struct Case
{
    std::string input;
    std::string expected;
};

TEST(SanitizeMarkup, LetsOnlyAllowedMarkupThrough)
{
    // Allowed markup written plainly keeps its bytes, as do "<" that begin nothing.
    for (const std::string kept :
         {"<p class=\"ask\">本文</p><P>x</P><br /><hr noshade='noshade'  size=2 ><font size=2>a</font>"
          "<div role=note itemprop=x xml:lang=ja><marquee>m</marquee></div>",
          "<table border=\"1\"><tr><td nowrap>a</td></tr></table><img src=\"pix/00012.gif\"> <br>",
          "1 < 2, 3 <3, a<<b>b</b> <ruby>漢<rp>(</rp><rt>かん</rt></ruby>",
          "<span style=\"color:rgb(1,2,3); font-family:&quot;MS Gothic&quot;\">a</span>"}) {
        EXPECT_EQ(toUtf8(extract::SanitizeMarkup(u(kept), {})), kept);
    }
    const Case cases[] = {
        // What a dropped tag leaves cannot join into a new tag.
        {"<scr<style></style>ipt>document.title='x'</script>", "ipt>document.title='x'"},
        {"<<x></x>script>alert(1)</script><<b>", "&lt;script>alert(1)<<b>"},
        {"a<\x1b"
         "b>\x1b$B\"<b>\x00"
         "c"s,
         "a&lt;b>$B\"<b>c"}, // and controls go
        // Code and hidden content go whole, to the end when nothing ends them.
        {"a<script>x</script >b<style>p{}</style>c<iframe src=x>t</iframe>d<noscript><p>n</p></noscript>e"
         "<textarea><b></textarea>f<title>t</title>g<xmp><b></xmp>h<noembed>x</noembed>i<noframes>x</noframes>j",
         "abcdefghij"},
        {"a<svg><p>x</p><script>y</script></svg>b<math><mi>x</mi></math>c<template><script></template></script>"
         "</template>d<object data=x><embed src=x>fallback</object>e<embed src=y>f<svg/>g<svg><svg></svg>h</svg>i",
         "abcdefgi"},
        {"a<plaintext>b</plaintext>c", "a"},
        {"a<script>never closed", "a"},
        // Other tags go and their content stays.
        {"<form action=x><input value=v><button>b</button><select><option>o</select></form><body onload=x>t", "bot"},
        // A plain comment stays as it is; others, declarations and their look-alikes go; "</>" is nothing.
        {"a<!-- c -->b<!--->c<!-->d<!x>e<?php x ?>f</3 x>g</>h<!DOCTYPE html>i<![CDATA[j]]>k<!-- x --!>l",
         "a<!-- c -->bcdefghikl"},
        {"a<!-- <!-- -- > -->b<!--[if IE]><script>x</script><![endif]-->c<!-- \x01 -->d<!---->e",
         "a<!-- <!-- -- > -->bcd<!---->e"},
        // A tag or comment the text ends inside goes; a "<" at the end is written as text.
        {"a<b title=\"x>", "a"},
        {"a<!-- b", "a"},
        {"a<", "a&lt;"},
        {"a</", "a&lt;/"},
        // Attributes: only allowed ones, the first of a name, end tags without any.
        {"<p onclick=x class=y ONCLICK=z>", "<p class=\"y\">"},
        {"<p/class=x CLASS=y title='a\"b<c'>", "<p class=\"x\" title=\"a&quot;b&lt;c\">"},
        {"</p x=\">\">t</x y=\"<b z=\">\" w=<svg/onload=alert(1)//>", "</p>t\" w="},
        {"<b title=\"a>b\" lang=en>", "<b title=\"a&gt;b\" lang=\"en\">"},
        // Written anew, a value reads as it did: a control character does not join "&" to a name.
        {"<a href=\"javascript&\x01"
         "colon;x\" title='&\x02"
         "lt;' lang=a\x1b>",
         "<a href=\"javascript&&#1;colon;x\" title=\"&&#2;lt;\" lang=\"a&#27;\">"},
        {"<a href=\"javascript:x\">a</a><a href=\" jav&#x61;script:x\">b</a><a href=\"jav&Tab;ascript:x\">c</a>"
         "<a href=\"http://ok/a?b=1\">d</a><a href=\"#f\">e</a><a href=\"//evil/\">f</a><a href=\"\\\\evil\\x\">g</a>"
         "<a href=\"./pix/00001.html\">h</a><a href=\"p%69x/1.html\">i</a><a href=\"java&#115cript:x\">j</a>"
         "<a href=\"x&colon;y\">k</a><a href=\"a&lt\">l</a><a href=\"../news/x.html\">m</a>",
         "<a>a</a><a>b</a><a>c</a><a href=\"http://ok/a?b=1\">d</a><a href=\"#f\">e</a><a>f</a><a>g</a><a>h</a>"
         "<a>i</a><a>j</a><a>k</a><a>l</a><a href=\"../news/x.html\">m</a>"},
        {"<img src=\"http://x/a.png\">a<img src=pix/00001.gif onerror=x alt='a\"b'><img src=\"pix/1.gif\">"
         "<img src=\"pix/00002.gif\" src=\"http://x/\"><image src=pix/00003.gif>",
         "a<img src=\"pix/00001.gif\" alt=\"a&quot;b\"><img src=\"pix/00002.gif\">"},
        {"<b style=\"background:url(x)\">1</b><b style=\"background:u\\72l(x)\">2</b><b style=\"x:url&lpar;x)\">3</b>"
         "<b style=\"@import 'x'\">4</b><b style=\"width:expression(alert(1))\">5</b><b style=\"x:image-set(a)\">6</b>"
         "<b style=\"a:b&unknown;\">7</b><b style=\"width:calc(1em + 2px)\">8</b>",
         "<b>1</b><b>2</b><b>3</b><b>4</b><b>5</b><b>6</b><b>7</b><b style=\"width:calc(1em + 2px)\">8</b>"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(toUtf8(extract::SanitizeMarkup(u(input), {})), expected) << input;
    }
}

TEST(SanitizeMarkup, KeepsTablesAndPicturesOnlyWhereTheyAreKept)
{
    const std::u16string text = u"<table><tr><td>a</td></tr></table><img src=\"pix/00001.gif\"><p>b</p>";
    EXPECT_EQ(toUtf8(extract::SanitizeMarkup(text, {false, true})), "a<img src=\"pix/00001.gif\"><p>b</p>");
    EXPECT_EQ(toUtf8(extract::SanitizeMarkup(text, {true, false})), "<table><tr><td>a</td></tr></table><p>b</p>");
    // An article of many megabytes is cleaned where it stands, never beside a copy.
    std::u16string inPlace = text;
    const char16_t* const storage = inPlace.data();
    extract::sanitizeMarkupInPlace(inPlace, {false, false});
    EXPECT_EQ(toUtf8(inPlace), "a<p>b</p>");
    EXPECT_EQ(inPlace.data(), storage);
}

TEST(PlainText, LeavesNoLessThanSignAndNoControlCharacter)
{
    const Case cases[] = {
        {"a<b>c</b> 1 < 2 <3\n\r", "a&lt;b>c&lt;/b> 1 &lt; 2 &lt;3\n\r"},
        {"<!--x--><\x01"
         "b x<",
         "&lt;!--x-->&lt;b x&lt;"},
        {"&lt;svg&gt; &amp; 見出し", "&lt;svg&gt; &amp; 見出し"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(toUtf8(extract::PlainText(u(input))), expected) << input;
    }
}

// Hostile pieces run together at random: what comes out, read by an HTML5 parser within a page
// (so that what follows it is there), holds only allowed markup, and reads the same again.
TEST(SanitizeMarkup, ItsOutputHoldsOnlyAllowedMarkupForAnHtml5Parser)
{
    const auto pieces = splitPieces(
        u"<|>|<<|/|!|?|-|--|=|\"|'|`| |\t|\n|\x0c|&|;|#|x|a|b|p|<p>|</p>|<b>|</b|<br/>|<a href=|<img src=|"
        u"pix/00001.gif|http://e/|javascript:|jav&#x61;script:|&Tab;|&lpar;|url(|\\| style=|color:red|"
        u"<svg|</svg>|<math>|<script>|</script>|<style>|</style|<title>|<textarea>|<xmp>|<noscript>|<template>|"
        u"<iframe|<object>|<plaintext>|<!--|-->|--!>|<!|<?|</3|</|<![CDATA[|]]>|<table>|<tr><td>|</table>|"
        u"<meta http-equiv=refresh content=0>|<base href=//e/>|<image src=x>| onerror=| on|load=|<x y=\"|"
        u"\x00|\x1b|本文|<scr|ipt>|<svg/onload=x//>|<a/href=#x>|</a x=\">\">"sv);
    std::mt19937 rng(11);
    const std::u16string rule = u"\r\n <hr noshade='noshade'  size=2 ><p></p>\r\n";
    for (int n = 0; n < 3000; ++n) {
        std::u16string input;
        for (int k = std::uniform_int_distribution<int>(0, 30)(rng); k > 0; --k) {
            input += pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(rng)];
        }
        const extract::MarkupPolicy policy{n % 2 == 0, n % 3 != 0};
        const std::u16string out = extract::SanitizeMarkup(input, policy);
        ASSERT_EQ(toUtf8(extract::SanitizeMarkup(out, policy)), toUtf8(out)) << toUtf8(input);
        ASSERT_EQ(forbiddenMarkup(out + rule + out, {true, policy.tables, policy.pictures}), "")
            << toUtf8(input) << "\ngave " << toUtf8(out);
        const std::u16string plain = extract::PlainText(input);
        ASSERT_EQ(extract::PlainText(plain), plain) << toUtf8(input);
        ASSERT_EQ(forbiddenMarkup(plain + u">" + plain + u">", {false, false, false}), "") << toUtf8(input);
    }
}

} // namespace
} // namespace vz::test
