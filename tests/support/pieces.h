#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace vz::test {

/// The parts of a "|"-separated list, for generators that build inputs from pieces.
inline std::vector<std::u16string> splitPieces(std::u16string_view list)
{
    std::vector<std::u16string> pieces;
    for (std::size_t from = 0, bar; from <= list.size(); from = bar + 1) {
        bar = std::min(list.find(u'|', from), list.size());
        pieces.emplace_back(list.substr(from, bar - from));
    }
    return pieces;
}

/// `text` with every `from` replaced by `to`, for samples that hold placeholders.
inline std::string replaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

} // namespace vz::test
