// What the progress windows remember per user, through the real registry.
#include <gtest/gtest.h>

#include "settings/WindowSettings.h"
#include "TestKey.h"

TEST(WindowSettings, APlaceAndColumnsComeBackAsStoredPerWindow)
{
    ScratchSettingsKey key;
    EXPECT_FALSE(settings::readWindowPlace(L"ProgressWindow"));
    settings::writeWindowPlace(L"ProgressWindow", {RECT{10, 20, 610, 420}, true, 144});
    const auto place = settings::readWindowPlace(L"ProgressWindow");
    ASSERT_TRUE(place);
    EXPECT_EQ(place->normal.left, 10);
    EXPECT_EQ(place->normal.bottom, 420);
    EXPECT_TRUE(place->maximized);
    EXPECT_EQ(place->dpi, 144u);
    EXPECT_FALSE(settings::readWindowPlace(L"QueueWindow")); // each window its own

    settings::writeListColumns(L"ProgressWindow", {{90, 44, 500}, {2, 0, 1}});
    const auto columns = settings::readListColumns(L"ProgressWindow", 3);
    ASSERT_TRUE(columns);
    EXPECT_EQ(columns->widths, (std::vector<int>{90, 44, 500}));
    EXPECT_EQ(columns->order, (std::vector<int>{2, 0, 1}));
    EXPECT_FALSE(settings::readListColumns(L"ProgressWindow", 5)); // stored for another list
}

TEST(WindowSettings, MalformedValuesCountAsNotStored)
{
    ScratchSettingsKey key;
    const auto store = [&](const wchar_t* name, const std::wstring& text) {
        key.setRaw(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    };
    store(L"ProgressWindowPlace", L"10,20,5,420,0,96"); // right before left
    EXPECT_FALSE(settings::readWindowPlace(L"ProgressWindow"));
    store(L"ProgressWindowPlace", L"10,20,x,420,0,96");
    EXPECT_FALSE(settings::readWindowPlace(L"ProgressWindow"));
    store(L"ProgressWindowColumns", L"90,44,500,0,0,1"); // not a permutation
    EXPECT_FALSE(settings::readListColumns(L"ProgressWindow", 3));
    store(L"ProgressWindowColumns", L"90,44,99999,0,1,2");
    EXPECT_FALSE(settings::readListColumns(L"ProgressWindow", 3));
}

TEST(WindowSettings, BackgroundIsOffAndTheSoundOnUntilStored)
{
    ScratchSettingsKey key;
    EXPECT_FALSE(settings::readConvertInBackground());
    EXPECT_TRUE(settings::readSoundWhenDone());
    settings::writeConvertInBackground(true);
    EXPECT_TRUE(settings::readConvertInBackground());
    const DWORD off = 0;
    key.setRaw(settings::kSoundWhenDoneValue, REG_DWORD, &off, sizeof(off));
    EXPECT_FALSE(settings::readSoundWhenDone());
}

TEST(WindowSettings, APlaceOffEveryMonitorIsNotOnOne)
{
    EXPECT_TRUE(settings::onAnExistingMonitor(RECT{10, 10, 300, 200}));
    EXPECT_FALSE(settings::onAnExistingMonitor(RECT{-30000, -30000, -29000, -29500}));
}
