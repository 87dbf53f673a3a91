#pragma once

#include <map>
#include <optional>
#include <string>

namespace vz::edit {

/// A window's place on the screen, in pixels: left, top, width and height of its inside.
struct Place
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const Place&) const = default;
};

/// `place` moved, and shrunk where it does not fit, so that it lies wholly on `screen`; `frame`
/// is what the title bar and borders add on each side (left, top, right, bottom).
Place keptOnScreen(Place place, const Place& screen, const Place& frame);

/// Where each window was last, by its name, kept in the program folder between starts in the
/// small text file vodeZeva.win: one line a window, its name and the four numbers, TAB between.
class WindowPlaces
{
public:
    /// Reads the file of `programFolder` (with or without its final "/"); lines it cannot take are passed over, a
    /// missing file gives no places.
    static WindowPlaces read(const std::u16string& programFolder);
    /// Writes the places back, through a temporary file; false when it cannot. A window's place is
    /// a convenience: nothing is reported.
    bool write() const;

    std::optional<Place> place(const std::u16string& window) const;
    void remember(const std::u16string& window, const Place& place) { m_places[window] = place; }

    static constexpr const char16_t* kFileName = u"vodeZeva.win";

private:
    std::u16string m_path;
    std::map<std::u16string, Place> m_places;
};

} // namespace vz::edit
