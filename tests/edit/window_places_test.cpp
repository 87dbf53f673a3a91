#include "edit/window_places.h"

#include <tuple>

#include <gtest/gtest.h>

#include "run/text.h"
#include "support/temp_dir.h"

namespace vz::test {
namespace {

TEST(WindowPlaces, APlaceIsMovedAndShrunkOntoTheScreenWithItsFrame)
{
    const edit::Place screen{0, 0, 1280, 720}, frame{2, 28, 2, 2};
    // Where the window was, where it goes.
    const std::tuple<edit::Place, edit::Place> cases[] = {
        {{100, 100, 600, 400}, {100, 100, 600, 400}},
        {{900, 600, 600, 400}, {678, 318, 600, 400}}, // off the right and the bottom
        {{-50, -10, 600, 400}, {2, 28, 600, 400}},    // off the left and the top, title bar included
        {{10, 10, 2000, 900}, {2, 28, 1276, 690}},    // larger than the screen
    };
    for (const auto& [was, kept] : cases) {
        EXPECT_EQ(edit::keptOnScreen(was, screen, frame), kept) << was.x << "," << was.y;
    }
    EXPECT_EQ(edit::keptOnScreen({0, 0, 100, 100}, {1280, 0, 1024, 768}, {}), (edit::Place{1280, 0, 100, 100}))
        << "a second screen to the right";
}

TEST(WindowPlaces, AreKeptInTheProgramFolderAndDamagedLinesArePassedOver)
{
    TempDir dir;
    auto places = edit::WindowPlaces::read(text::fromPath(dir.path())); // as the program gets it: no final "/"
    EXPECT_EQ(places.place(u"frmConfig"), std::nullopt);
    places.remember(u"frmConfig", {10, 20, 620, 580});
    places.remember(u"frmBrowser", {-1280, 0, 600, 240});
    ASSERT_TRUE(places.write());
    writeBytes(dir.path() / "vodeZeva.win",
               readBytes(dir.path() / "vodeZeva.win") + "frmDef\tx\t1\t2\t3\r\nfrmAbout\t0\t0\t0\t0\r\n");
    const auto again = edit::WindowPlaces::read(dir.folder());
    EXPECT_EQ(again.place(u"frmConfig"), (edit::Place{10, 20, 620, 580}));
    EXPECT_EQ(again.place(u"frmBrowser"), (edit::Place{-1280, 0, 600, 240}));
    EXPECT_EQ(again.place(u"frmDef"), std::nullopt);
    EXPECT_EQ(again.place(u"frmAbout"), std::nullopt);
}

} // namespace
} // namespace vz::test
