#include "window_places.h"

#include <algorithm>

#include "platform/cp932.h"
#include "run/string_helpers.h"
#include "run/text.h"
#include "run/text_file.h"

namespace vz::edit {

Place keptOnScreen(Place place, const Place& screen, const Place& frame)
{
    // The inside may take what the screen leaves beside the frame.
    const int roomWidth = std::max(1, screen.width - frame.x - frame.width);
    const int roomHeight = std::max(1, screen.height - frame.y - frame.height);
    place.width = std::clamp(place.width, 1, roomWidth);
    place.height = std::clamp(place.height, 1, roomHeight);
    const int left = screen.x + frame.x;
    const int top = screen.y + frame.y;
    place.x = std::clamp(place.x, left, left + roomWidth - place.width);
    place.y = std::clamp(place.y, top, top + roomHeight - place.height);
    return place;
}

WindowPlaces WindowPlaces::read(const std::u16string& programFolder)
{
    WindowPlaces places;
    places.m_path = run::withFolderEnd(programFolder) + kFileName;
    std::string error;
    const auto lines = run::readTextLines(text::toPath(places.m_path), error);
    if (!lines) {
        return places;
    }
    for (const std::u16string& line : *lines) {
        std::u16string rest = line;
        const std::u16string name = run::NextField(rest);
        int numbers[4] = {};
        bool whole = !name.empty();
        for (int& number : numbers) {
            const run::Int16Result value = run::CInt(run::NextField(rest));
            whole = whole && value.ok();
            number = value.value;
        }
        if (whole && numbers[2] > 0 && numbers[3] > 0) {
            places.m_places[name] = {numbers[0], numbers[1], numbers[2], numbers[3]};
        }
    }
    return places;
}

bool WindowPlaces::write() const
{
    if (m_path.empty()) {
        return false;
    }
    std::u16string text;
    for (const auto& [name, place] : m_places) {
        text += name + u"\t" + text::number(place.x) + u"\t" + text::number(place.y) + u"\t" +
                text::number(place.width) + u"\t" + text::number(place.height) + u"\r\n";
    }
    std::string error;
    return run::writeFileAtomic(text::toPath(m_path), platform::encodeCp932(text).bytes, error);
}

std::optional<Place> WindowPlaces::place(const std::u16string& window) const
{
    const auto found = m_places.find(window);
    return found == m_places.end() ? std::nullopt : std::optional<Place>(found->second);
}

} // namespace vz::edit
