#include "output_file_name.h"

namespace vz::run {

std::optional<std::u16string> outputFileNameProblem(const std::u16string& FileName)
{
    if (FileName.empty()) {
        return u"出力ファイル名が空です";
    }
    if (FileName == u"." || FileName == u"..") {
        return u"出力ファイル名に「" + FileName + u"」は使えません";
    }
    for (const char16_t c : FileName) {
        if (c == u'/' || c == u'\\') {
            return u"出力ファイル名にフォルダの区切り（/ や \\）は使えません: " + FileName;
        }
        if (c == u'\0') {
            return u"出力ファイル名に制御文字は使えません";
        }
    }
    return std::nullopt;
}

} // namespace vz::run
