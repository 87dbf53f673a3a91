#include "extract/xhtml_markup.h"

#include <random>
#include <set>
#include <string>

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include "extract/safe_markup.h"
#include "run/text.h"
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

extract::XhtmlOptions withPictures()
{
    extract::XhtmlOptions options;
    options.picture = [](std::u16string_view src) -> std::optional<std::u16string> {
        if (src == u"pix/00001.gif") {
            return u"pix/00001.png";
        }
        return std::nullopt;
    };
    return options;
}

TEST(XhtmlFromMarkup, ClosesAndNestsElementsAsTheBookAllows)
{
    const Case cases[] = {
        // A block ends the paragraph or text-level element it begins in; stray end tags go.
        {"<p>a<h4>b</h4>c</p><b>d<div>e</div>f</b>", "<p>a</p><h4>b</h4>c<b>d</b><div>e</div>f"},
        // Old elements as their present kin, alignment as a class.
        {"<font color=red size=2>x</font><center>y</center><big>z</big><tt>t</tt><strike>s</strike>"
         "<p align=Center>c</p><div align=right class=\" k \">r</div><span align=center>i</span>",
         "<span>x</span><div class=\"center\">y</div><span>z</span><code>t</code><s>s</s>"
         "<p class=\"center\">c</p><div class=\"k right\">r</div><span>i</span>"},
        // Items, rows and cells where their list or table needs them; outside, plain text.
        {"<ul>a<li>b<li>c</ul><li>d<dl><dt>t<dd>e<p>p</dl><dd>x",
         "<ul><li>a</li><li>b</li><li>c</li></ul><div>d<dl><dt>t</dt><dd>e<p>p</p></dd></dl><div>x</div></div>"},
        // A description follows a term, and a list of terms ends with a description.
        {"<dl><dd>a<dt>b</dl><dl>c</dl>",
         "<dl><dt></dt><dd>a</dd><dt>b</dt><dd></dd></dl><dl><dt></dt><dd>c</dd></dl>"},
        {"<table>x<td>a<tr><th scope=col colspan=2 rowspan=y>b</table><td>c</td><tbody><tr>d",
         "<table><tr><td>x</td><td>a</td></tr><tr><th colspan=\"2\" scope=\"col\">b</th></tr></table>cd"},
        {"<div><table><tr><td></div>x</td></tr></table></div>", "<div><table><tr><td>x</td></tr></table></div>"},
        {"<ol start=3 type=a reversed><li value=2>a</ol><ul><li value=2>b</ul>",
         "<ol start=\"3\" reversed=\"reversed\" type=\"a\"><li value=\"2\">a</li></ol><ul><li>b</li></ul>"},
        // Void elements closed; only kept pictures the book holds, under its name for them.
        {"<br><hr size=2><img src=\"pix/00001.gif\" width=10 height=x alt='a&amp;b'><img src=\"pix/00009.gif\">",
         "<br/><hr/><img src=\"pix/00001.png\" alt=\"a&amp;b\" width=\"10\"/>"},
        // Links to the web stay, escaped as addresses; links within the site lead nowhere in a book.
        {"<a href=\"http://e/a b?q=&quot;1\">l</a><a href=\"#top\">t</a><a href=x.html><a href=https://e/>n</a>",
         "<a href=\"http://e/a%20b?q=%221\">l</a><a>t</a><a></a><a href=\"https://e/\">n</a>"},
        // Ruby keeps its readings; parentheses for readers without ruby go; a ruby without a reading
        // is text, and text after the last reading leaves it.
        {"<ruby>漢<rp>(</rp><rt>かん</rt><rp>)</rp>字</ruby><ruby class=r>無</ruby><rt>x</rt>",
         "<ruby>漢<rt>かん</rt></ruby>字無<span>x</span>"},
        // References are read into what they stand for, as a browser reads them.
        {"&nbsp;&copy &amp;&lt;&#128;&#x1F359;&#0;&bogus; &notit; < 3 &#",
         "\u00A0\u00A9 &amp;&lt;\u20AC\U0001F359\uFFFD&amp;bogus; \u00ACit; &lt; 3 &amp;#"},
        // What XML cannot hold goes; comments and unknown tags go, their text stays.
        {"a\x01"
         "b\fc\r\nd\re\x7f\u0085f\uFFFE<!-- c --><x>g</x>"s,
         "ab c\nd\nef\uFFFDg"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toUtf8(extract::xhtmlFromMarkup(u(c.input), withPictures())), c.expected) << c.input;
    }
}

TEST(XhtmlFromMarkup, SetsShortRunsOfLettersAndDigitsUprightInVerticalText)
{
    const Case cases[] = {
        {"10月4日、JR東日本", "<span class=\"tcy\">10</span>月<span class=\"tcy\">4</span>日、<span "
                              "class=\"tcy\">JR</span>東日本"},
        {"2024年、3.5%、（10）、in 10 days、<b>7</b>", "2024年、3.5%、（<span class=\"tcy\">10</span>）、in 10 "
                                                       "days、<b><span class=\"tcy\">7</span></b>"},
        {"<ruby>十<rt>10</rt></ruby>", "<ruby>十<rt>10</rt></ruby>"},
    };
    extract::XhtmlOptions vertical;
    vertical.vertical = true;
    for (const Case& c : cases) {
        EXPECT_EQ(toUtf8(extract::xhtmlFromMarkup(u(c.input), vertical)), c.expected) << c.input;
        EXPECT_EQ(toUtf8(extract::xhtmlFromMarkup(u(c.input), {})).find("tcy"), std::string::npos);
    }
}

// The elements and attributes the book's pages may hold, and how deep: whatever comes in.
const std::set<std::string> kElements = {
    "a",    "abbr",  "b",  "bdi", "blockquote", "br", "cite", "code", "dd",   "del",    "div",  "dl",     "dt",
    "em",   "h1",    "h2", "h3",  "h4",         "h5", "h6",   "hr",   "i",    "img",    "ins",  "kbd",    "li",
    "mark", "ol",    "p",  "pre", "q",          "rt", "ruby", "s",    "samp", "small",  "span", "strong", "sub",
    "sup",  "table", "td", "th",  "tr",         "u",  "ul",   "var",  "wbr",  "section"};
const std::set<std::string> kAttributes = {"class", "title",    "dir",    "href",    "src",
                                           "alt",   "width",    "height", "colspan", "rowspan",
                                           "scope", "reversed", "start",  "type",    "value"};

std::string checkTree(const xmlNode* node, int depth)
{
    std::string problems;
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) {
            continue;
        }
        const std::string name = reinterpret_cast<const char*>(node->name);
        if (!kElements.contains(name)) {
            problems += "element " + name + "\n";
        }
        if (depth > 70) {
            problems += "nested " + std::to_string(depth) + " deep\n";
        }
        for (const xmlAttr* a = node->properties; a; a = a->next) {
            if (!kAttributes.contains(reinterpret_cast<const char*>(a->name))) {
                problems += "attribute " + std::string(reinterpret_cast<const char*>(a->name)) + "\n";
            }
        }
        problems += checkTree(node->children, depth + 1);
    }
    return problems;
}

// What the allowlist lets through from hostile pieces, written as XHTML: a strict XML parser takes
// it, and it holds only the book's own elements and attributes.
TEST(XhtmlFromMarkup, ItsOutputIsWellFormedXmlOfTheBooksVocabulary)
{
    const auto pieces = splitPieces(
        u"<|>|<<|/|!|-|=|\"|'| |\n|\x0c|&|;|#|x|1|a|&amp|&nbsp|&#0;|&#x80;|&#xD800;|&#12|本文|<p>|</p>|<b>|</b>|"
        u"<i>|</i>|<a href=http://e/>|<a href=#x>|</a>|<img src=pix/00001.gif alt=\"<&\">|<img src=pix/00002.png>|"
        u"<br/>|<hr>|<div>|</div>|<h4>|</h4>|<ul>|<ol start=2>|<li>|</li>|</ul>|<dl>|<dt>|<dd>|</dl>|<table>|"
        u"<tr>|<td colspan=2>|<th>|</td>|</tr>|</table>|<caption>|<tbody>|<ruby>|<rt>|</rt>|<rp>|</rp>|</ruby>|"
        u"<font color=red>|</font>|<center>|<pre>|<blockquote>|<span class=\"a&quot;b\">|</span>|<q>|<dfn>|"
        u"<!-- c -->|\uFFFF|\U0001F359|<div align=center>|<label>|<summary>|<marquee>"sv);
    std::mt19937 rng(25);
    for (int n = 0; n < 3000; ++n) {
        std::u16string input;
        for (int k = std::uniform_int_distribution<int>(0, 40)(rng); k > 0; --k) {
            input += pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(rng)];
        }
        if (n % 100 == 0) {
            for (int k = 0; k < 200; ++k) {
                input += k % 2 ? u"<div>" : u"<b>";
            }
        }
        extract::XhtmlOptions options = withPictures();
        options.vertical = n % 2 == 1;
        const std::string xhtml = "<section xmlns=\"http://www.w3.org/1999/xhtml\">" +
                                  toUtf8(extract::xhtmlFromMarkup(extract::SanitizeMarkup(input, {}), options)) +
                                  "</section>";
        xmlDoc* doc = xmlReadMemory(xhtml.data(), static_cast<int>(xhtml.size()), "article.xhtml", "UTF-8",
                                    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        ASSERT_NE(doc, nullptr) << toUtf8(input) << "\ngave " << xhtml;
        const std::string problems = checkTree(xmlDocGetRootElement(doc), 0);
        xmlFreeDoc(doc);
        ASSERT_EQ(problems, "") << toUtf8(input) << "\ngave " << xhtml;
    }
}

} // namespace
} // namespace vz::test
