// A game's saved data through the library's checks, on the test host's
// store: what is refused, what comes back, and how texts are cut.
#include <gtest/gtest.h>

#include <string>

#include "quorl/quorl.h"

TEST(SavedData, ValuesAndTextsComeBackAndMissingOnesSaySo)
{
    ASSERT_NE(saveValue("best", 17), 0);
    ASSERT_NE(saveValue("best", -3), 0);
    EXPECT_EQ(loadValue("best", 99), -3);
    EXPECT_EQ(loadValue("never saved", 99), 99);
    ASSERT_NE(saveText("player", "Zoë"), 0);
    char text[16];
    EXPECT_EQ(loadText("player", text, sizeof(text)), 4);
    EXPECT_STREQ(text, "Zoë");
    EXPECT_EQ(loadText("never saved", text, sizeof(text)), -1);
    EXPECT_STREQ(text, "");
}

TEST(SavedData, ALongerTextIsCutToTheBufferAndReportsItsLength)
{
    ASSERT_NE(saveText("motto", "abcdefghij"), 0);
    char text[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(loadText("motto", text, sizeof(text)), 10);
    EXPECT_STREQ(text, "abc");
    EXPECT_EQ(loadText("motto", text, 0), -1) << "no room at all";
}

TEST(SavedData, BadNamesAndTextsAreRefusedAndNothingIsWritten)
{
    const std::string tooLong(65, 'n');
    for (const char* name : {static_cast<const char*>(nullptr), "", tooLong.c_str(), "a/b", "a\\b", "a\tb",
                             "caf\xC3\xA9"}) {
        EXPECT_EQ(saveValue(name, 1), 0) << (name != nullptr ? name : "(null)");
        EXPECT_EQ(saveText(name, "x"), 0) << (name != nullptr ? name : "(null)");
    }
    const std::string bigText(4097, 't');
    struct Case {
        const char* what;
        const char* text;
    };
    const Case texts[] = {
        {"no text", nullptr},
        {"a text of 4097 bytes", bigText.c_str()},
        {"a stray continuation byte", "a\x80z"},
        {"a cut sequence", "a\xC3"},
        {"an overlong slash", "\xC0\xAF"},
        {"a surrogate", "\xED\xA0\x80"},
        {"above U+10FFFF", "\xF4\x90\x80\x80"},
    };
    for (const Case& c : texts) {
        EXPECT_EQ(saveText("refused", c.text), 0) << c.what;
    }
    char text[8];
    EXPECT_EQ(loadText("refused", text, sizeof(text)), -1) << "nothing was written";
    EXPECT_NE(saveValue(std::string(64, 'n').c_str(), 1), 0) << "64 characters are allowed";
    EXPECT_NE(saveText("refused", std::string(4096, 't').c_str()), 0) << "4096 bytes are allowed";
}
