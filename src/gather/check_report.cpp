#include "check_report.h"

#include <cstdio>

#include "run/text.h"

namespace vz::gather {

namespace {

using text::number;

std::u16string count(std::size_t n)
{
    return number(static_cast<long long>(n));
}

std::u16string seconds(std::chrono::milliseconds took)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", static_cast<double>(took.count()) / 1000.0);
    return text::fromUtf8(buffer) + u" 秒";
}

std::u16string bracketed(std::u16string_view text)
{
    return u"「" + shownInline(text) + u"」";
}

void pageLines(std::u16string& out, const PageCheck& page)
{
    if (page.fetched) {
        out += u"  取得: できました（" + count(page.reading.bytes) + u" バイト、" + seconds(page.took) + u"）\n";
        out += u"  文字コード: " + page.encoding + u"\n";
    } else {
        out += u"  取得: できません（" + page.cause + u"、" + seconds(page.took) + u"）\n";
    }
}

void markerLine(std::u16string& out, const char16_t* name, const MarkerCheck& marker)
{
    out += std::u16string(u"  ") + name + u" " + bracketed(marker.marker) + u": ";
    if (!marker.searched) {
        out += u"探していません\n";
        return;
    }
    if (marker.found) {
        out += u"見つかりました（" + number(marker.at) + u" 文字目）\n";
        return;
    }
    out += u"見つかりません（" + marker.where + u"を探しました）";
    if (marker.nearMiss) {
        out += u"。よく似た " + bracketed(marker.nearMiss->text) + u" が " + count(marker.nearMiss->at + 1) +
               u" 文字目にあります";
    }
    out += u"\n";
}

/// JSON pieces, written as the object goes.
class Json
{
public:
    Json& key(const char* name)
    {
        comma();
        m_out += '"';
        m_out += name;
        m_out += "\":";
        m_fresh = true;
        return *this;
    }
    Json& string(std::u16string_view text)
    {
        comma();
        m_out += jsonString(text);
        return *this;
    }
    Json& integer(long long n)
    {
        comma();
        m_out += std::to_string(n);
        return *this;
    }
    Json& boolean(bool b)
    {
        comma();
        m_out += b ? "true" : "false";
        return *this;
    }
    Json& null()
    {
        comma();
        m_out += "null";
        return *this;
    }
    Json& word(const char* w)
    {
        comma();
        m_out += '"';
        m_out += w;
        m_out += '"';
        return *this;
    }
    Json& open(char bracket)
    {
        comma();
        m_out += bracket;
        m_fresh = true;
        return *this;
    }
    Json& close(char bracket)
    {
        m_out += bracket;
        m_fresh = false;
        return *this;
    }
    std::string take() { return std::move(m_out); }

private:
    void comma()
    {
        if (!m_fresh) {
            m_out += ',';
        }
        m_fresh = false;
    }

    std::string m_out;
    bool m_fresh = true;
};

void pageJson(Json& json, const PageCheck& page)
{
    json.open('{');
    json.key("address").string(page.address);
    json.key("fetched").boolean(page.fetched);
    json.key("cause").string(page.cause);
    json.key("bytes").integer(static_cast<long long>(page.reading.bytes));
    json.key("encoding").string(page.fetched ? page.encoding : u"");
    json.key("declared").boolean(page.reading.declared);
    json.key("milliseconds").integer(page.took.count());
    json.close('}');
}

void markerJson(Json& json, const char* name, const MarkerCheck& marker)
{
    json.key(name).open('{');
    json.key("marker").string(marker.marker);
    json.key("searched").boolean(marker.searched);
    json.key("found").boolean(marker.found);
    json.key("position").integer(marker.at);
    json.key("nearMiss");
    if (marker.nearMiss) {
        json.open('{');
        json.key("text").string(marker.nearMiss->text);
        json.key("position").integer(static_cast<long long>(marker.nearMiss->at + 1));
        json.close('}');
    } else {
        json.null();
    }
    json.close('}');
}

} // namespace

std::u16string fateText(LinkFate fate)
{
    switch (fate) {
    case LinkFate::Fetched:
        return u"取得";
    case LinkFate::IndexPage:
        return u"飛ばす: index.htm を含む";
    case LinkFate::Repeat:
        return u"飛ばす: 直前のリンクと同じ";
    case LinkFate::Refused:
        return u"取得しない: ページの中のアドレスは http と https だけ";
    case LinkFate::PastLimit:
        return u"読まない: 記事数の上限より後";
    case LinkFate::Gathered:
        return u"飛ばす: 前回までに取得した記事";
    }
    return {};
}

const char* fateKey(LinkFate fate)
{
    switch (fate) {
    case LinkFate::Fetched:
        return "fetched";
    case LinkFate::IndexPage:
        return "index-page";
    case LinkFate::Repeat:
        return "repeat";
    case LinkFate::Refused:
        return "refused";
    case LinkFate::PastLimit:
        return "past-limit";
    case LinkFate::Gathered:
        return "gathered-before";
    }
    return "";
}

const char* snagKey(SiteSnag::Kind kind)
{
    using Kind = SiteSnag::Kind;
    switch (kind) {
    case Kind::None:
        return "none";
    case Kind::FileName:
        return "file-name";
    case Kind::IndexFetch:
        return "index-fetch";
    case Kind::IndexStart:
        return "index-start-marker";
    case Kind::IndexEnd:
        return "index-end-marker";
    case Kind::NoLinks:
        return "no-links";
    case Kind::NoneAllowed:
        return "none-allowed";
    case Kind::AllSkipped:
        return "all-skipped";
    case Kind::ArticleFetch:
        return "article-fetch";
    case Kind::HeadlineStart:
        return "headline-start-marker";
    case Kind::HeadlineEnd:
        return "headline-end-marker";
    case Kind::TextStart:
        return "text-start-marker";
    case Kind::TextEnd:
        return "text-end-marker";
    case Kind::Empty:
        return "empty-article";
    case Kind::NotWritten:
        return "not-written";
    }
    return "";
}

std::u16string reportText(const SiteCheck& check, const CheckedRow& row)
{
    std::u16string out;
    out += (row.row > 0 ? u"[" + number(row.row) + u"] " : u"") + check.site.IndexName +
           (row.switchedOn ? u"" : u"（スイッチが切ってあります）") + u"\n";
    if (check.indexIsArticle) {
        out += u"インデックスを切り出す文字列が空なので、インデックスアドレスのページを記事にします\n";
    } else {
        out += u"インデックスページ: " + check.index.address + u"\n";
        pageLines(out, check.index);
        markerLine(out, u"インデックスを切り出す文字列（開始）", check.index1);
        markerLine(out, u"インデックスを切り出す文字列（終了）", check.index2);
        if (check.index1.found && check.index2.found) {
            out += u"  切り出した部分（" + count(check.linkPartLength) + u" 文字）: " + bracketed(check.linkPartHead) +
                   u"\n";
        }
    }
    const std::vector<LinkStep> walked = check.walk.walked();
    out += u"リンク: " + count(check.walk.steps.size()) + u" 個（読むのは " + count(walked.size()) + u" 個）\n";
    std::size_t unlisted = 0;
    const auto unlistedBefore = [&](int index) {
        for (; unlisted < check.unlisted.size() && check.unlisted[unlisted].before <= index; ++unlisted) {
            out += u"  -  リンクにしない: " + bracketed(check.unlisted[unlisted].anchor) +
                   u"（.html .htm .asp .shtml .php のどれでもありません）\n";
        }
    };
    for (const LinkStep& step : check.walk.steps) {
        unlistedBefore(step.index);
        out += u"  " + number(step.index) + u"  " + fateText(step.fate) + u"  " + step.address +
               (step.address != step.link ? u"（" + step.link + u"）" : u"") + u"\n";
    }
    unlistedBefore(check.highest + 1);
    if (check.article) {
        const ArticleCheck& article = *check.article;
        out += u"記事: " + article.page.address + u"（リンク " + number(article.link.index) + u"）\n";
        pageLines(out, article.page);
        if (article.page.fetched) {
            markerLine(out, u"ヘッダを切り出す文字列（開始）", article.headline1);
            markerLine(out, u"ヘッダを切り出す文字列（終了）", article.headline2);
            markerLine(out, u"記事を切り出す文字列（開始）", article.text1);
            markerLine(out, u"記事を切り出す文字列（終了）", article.text2);
        }
        for (const PictureSeen& picture : article.pictures) {
            out += u"  画像: " + picture.address + u"  " +
                   (picture.bytes ? count(*picture.bytes) + u" バイト  " : u"") +
                   (picture.kept ? std::u16string(u"残します") : picture.why) + u"\n";
        }
        if (!article.text.empty()) {
            out += u"  見出し: " + shownInline(article.headline, 200) + u"\n";
            out += u"  書き込まれる記事（" + count(article.bytes) + u" バイト）:\n";
            std::size_t from = 0;
            while (from <= article.text.size()) {
                const std::size_t end = article.text.find(u'\n', from);
                const std::size_t stop = end == std::u16string::npos ? article.text.size() : end;
                // Plain-text pages end their lines with LF CR as well as CR LF.
                std::u16string line = article.text.substr(from, stop - from);
                std::erase(line, u'\r');
                out += u"    " + line + u"\n";
                if (end == std::u16string::npos) {
                    break;
                }
                from = end + 1;
            }
        }
    }
    if (!check.reports.empty()) {
        out += u"実行時の報告:\n";
        for (const std::u16string& line : check.reports) {
            out += u"  " + line + u"\n";
        }
    }
    out += u"判定: " + verdictText(check) + u"\n";
    return out;
}

std::string jsonString(std::u16string_view value)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text::toUtf8(value)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string reportJson(const SiteCheck& check, const CheckedRow& row)
{
    Json json;
    json.open('{');
    json.key("row").integer(row.row);
    json.key("name").string(check.site.IndexName);
    json.key("switchedOn").boolean(row.switchedOn);
    json.key("works").boolean(check.works());
    json.key("stopped").boolean(check.stopped);
    json.key("verdict").string(verdictText(check));
    json.key("snag").open('{');
    json.key("kind").word(snagKey(check.snag.kind));
    json.key("text").string(snagText(check.snag));
    json.key("marker").string(check.snag.marker);
    json.key("nearMiss");
    if (check.snag.nearMiss) {
        json.string(*check.snag.nearMiss);
    } else {
        json.null();
    }
    json.close('}');
    json.key("indexIsArticle").boolean(check.indexIsArticle);
    json.key("index");
    if (check.indexIsArticle) {
        json.null();
    } else {
        pageJson(json, check.index);
    }
    markerJson(json, "FilterIndex1", check.index1);
    markerJson(json, "FilterIndex2", check.index2);
    json.key("links").open('[');
    for (const LinkStep& step : check.walk.steps) {
        json.open('{');
        json.key("index").integer(step.index);
        json.key("link").string(step.link);
        json.key("address").string(step.address);
        json.key("fate").word(fateKey(step.fate));
        json.close('}');
    }
    json.close(']');
    json.key("unlisted").open('[');
    for (const extract::UnlistedAnchor& anchor : check.unlisted) {
        json.open('{');
        json.key("before").integer(anchor.before);
        json.key("anchor").string(anchor.anchor);
        json.close('}');
    }
    json.close(']');
    json.key("article");
    if (check.article) {
        const ArticleCheck& article = *check.article;
        json.open('{');
        json.key("link").integer(article.link.index);
        json.key("page");
        pageJson(json, article.page);
        markerJson(json, "FilterHeadline1", article.headline1);
        markerJson(json, "FilterHeadline2", article.headline2);
        markerJson(json, "FilterText1", article.text1);
        markerJson(json, "FilterText2", article.text2);
        json.key("headline").string(article.headline);
        json.key("text").string(article.text);
        json.key("bytes").integer(static_cast<long long>(article.bytes));
        json.key("pictures").open('[');
        for (const PictureSeen& picture : article.pictures) {
            json.open('{');
            json.key("address").string(picture.address);
            json.key("bytes");
            if (picture.bytes) {
                json.integer(static_cast<long long>(*picture.bytes));
            } else {
                json.null();
            }
            json.key("kept").boolean(picture.kept);
            json.key("why").string(picture.why);
            json.close('}');
        }
        json.close(']');
        json.close('}');
    } else {
        json.null();
    }
    json.key("reports").open('[');
    for (const std::u16string& line : check.reports) {
        json.string(line);
    }
    json.close(']');
    json.key("milliseconds").integer(check.took.count());
    json.close('}');
    return json.take();
}

} // namespace vz::gather
