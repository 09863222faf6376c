#include <gtest/gtest.h>

#include "win/RegKey.h"

namespace {
const wchar_t* const kTestKey = L"Software\\Veltrana\\KorvelloTests\\RegKey";
}

TEST(RegKey, TypedReadsRejectWrongShapes)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    win::RegKey key = win::RegKey::create(HKEY_CURRENT_USER, kTestKey);
    ASSERT_TRUE(key.valid());
    ASSERT_TRUE(key.writeString(L"Text", L"C:\\log.txt"));
    EXPECT_EQ(key.readString(L"Text", 260).value_or(L"?"), L"C:\\log.txt");
    EXPECT_FALSE(key.readString(L"Text", 5).has_value()) << "does not fit the buffer";
    EXPECT_FALSE(key.readDword(L"Text").has_value());

    // The character after the stored ones is not null, so the value stays unterminated.
    const wchar_t unterminated[4] = { L'a', L'b', L'c', L'd' };
    ASSERT_TRUE(key.writeBinary(L"Raw", REG_SZ, unterminated, 3 * sizeof(wchar_t)));
    EXPECT_FALSE(key.readString(L"Raw", 260).has_value());
    ASSERT_TRUE(key.writeBinary(L"Odd", REG_SZ, "abc", 3));
    EXPECT_FALSE(key.readString(L"Odd", 260).has_value());

    ASSERT_TRUE(key.writeDword(L"Number", 7));
    EXPECT_EQ(key.readDword(L"Number").value_or(0), 7u);
    EXPECT_FALSE(key.readString(L"Number", 260).has_value());
    EXPECT_FALSE(key.readDword(L"Missing").has_value());
    key.close();
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
}
