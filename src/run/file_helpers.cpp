#include "file_helpers.h"

#include <filesystem>
#include <system_error>

#include <cstdio>

#include "platform/cp932.h"
#include "platform/error_text.h"
#include "run/text.h"
#include "run/text_file.h"

namespace vz::run {

namespace fs = std::filesystem;
using text::fromUtf8;
using text::toPath;

namespace {

std::u16string describe(const std::error_code& ec)
{
    if (ec.category() == std::generic_category() || ec.category() == std::system_category()) {
        return fromUtf8(platform::errnoText(ec.value()));
    }
    return fromUtf8(ec.message());
}

} // namespace

void DirCreateOne(Reporter& reporter, const std::u16string& path)
{
    std::error_code ec;
    if (!fs::create_directory(toPath(path), ec) && !ec) {
        // Creating a folder that is already there fails, as callers that report it expect.
        ec = std::make_error_code(std::errc::file_exists);
    }
    if (ec) {
        reporter.DispErr(describe(ec), path, u"DirCreateOne", u"");
    }
}

void DirCreate(Reporter& reporter, const std::u16string& path)
{
    if (path.find(u'/') == std::u16string::npos) {
        DirCreateOne(reporter, path);
        return;
    }
    for (std::size_t at = path.find(u'/'); at != std::u16string::npos; at = path.find(u'/', at + 1)) {
        const std::u16string part = path.substr(0, at + 1);
        if (part == u"/") {
            continue; // the root is always there
        }
        if (!DirExists(reporter, part)) {
            DirCreateOne(reporter, part);
        }
    }
}

bool DirExists(Reporter& reporter, const std::u16string& path)
{
    std::error_code ec;
    const bool exists = fs::is_directory(toPath(path), ec);
    if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) {
        reporter.DispErr(describe(ec), path, u"DirExists", u"");
        return false;
    }
    return exists;
}

bool FileExists(Reporter& reporter, const std::u16string& path)
{
    std::error_code ec;
    const auto status = fs::status(toPath(path), ec);
    if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) {
        reporter.DispErr(describe(ec), path, u"FileExists", u"");
        return false;
    }
    return fs::exists(status) && !fs::is_directory(status);
}

void FileDelete(Reporter& reporter, const std::u16string& path)
{
    std::error_code ec;
    if (!fs::remove(toPath(path), ec) && !ec) {
        ec = std::make_error_code(std::errc::no_such_file_or_directory);
    }
    if (ec) {
        reporter.DispErr(u"I/O Error:FileDelete:" + path + u":" + describe(ec), u"", u"", u"");
    }
}

void FileCopy(Reporter& reporter, const std::u16string& source, const std::u16string& target)
{
    std::error_code ec;
    fs::copy_file(toPath(source), toPath(target), fs::copy_options::overwrite_existing, ec);
    if (ec) {
        reporter.DispErr(u"I/O Error:FileCopy:" + source + u"->" + target + u":" + describe(ec), u"", u"", u"");
    }
}

void DirDelete(Reporter& reporter, const std::u16string& path)
{
    std::error_code ec;
    const fs::path target = toPath(path);
    if (!fs::is_directory(fs::symlink_status(target, ec))) {
        if (!ec) {
            ec = std::make_error_code(std::errc::no_such_file_or_directory);
        }
    } else {
        fs::remove_all(target, ec);
    }
    if (ec) {
        reporter.DispErr(u"I/O Error:DirDelete:" + path + u":" + describe(ec), u"", u"", u"");
    }
}

bool writeTextFile(Reporter& reporter, const std::u16string& path, const std::u16string& content,
                   const std::u16string& procedure)
{
    const platform::Cp932Bytes encoded = platform::encodeCp932(content);
    std::string bytes = encoded.bytes;
    if (!encoded.unmappable.empty()) {
        // Paths and markers must come back exactly as they were given, and a character reference
        // would read back as other text. The readers take UTF-8 with a byte-order mark as well.
        bytes = "\xEF\xBB\xBF" + text::toUtf8(content);
        std::u16string list;
        for (char32_t cp : encoded.unmappable) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
            list += (list.empty() ? u"" : u" ") + text::fromUtf8(buf);
        }
        reporter.DispErr(u"Shift_JIS で書けない文字があるため、UTF-8 で書きました。", path, because(list), procedure);
    }
    std::string error;
    std::error_code ec;
    const bool existed = fs::exists(toPath(path), ec);
    if (!writeFileAtomic(toPath(path), bytes, error)) {
        reporter.writeFailed(existed ? u"ファイルを書き込めませんでした。元のファイルはそのままです。"
                                     : u"ファイルを書き込めませんでした。",
                             path, because(text::fromUtf8(error)), procedure);
        return false;
    }
    return true;
}

} // namespace vz::run
