#include "settings/ini_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace veltane::settings {
namespace {

std::string Marks(std::size_t count) {
  std::string marks;
  for (std::size_t i = 0; i < count; ++i) marks += "\xEF\xBB\xBF";
  return marks;
}

TEST(SetIniValue, ChangesOnlyTheOneValueAndKeepsEveryOtherByte) {
  struct Case {
    const char* name;
    std::string before;
    const char* key;
    const char* value;
    std::string after;
  };
  const Case cases[] = {
      {"empty file", "", "DelayOn", "1", "[veltane]\nDelayOn=1\n"},
      {"value in place", "[veltane]\nDelayOn=0\nDelayTime=5\n", "DelayOn", "1",
       "[veltane]\nDelayOn=1\nDelayTime=5\n"},
      {"comments, blanks and unknown keys", "; mine\n\n[veltane]\n# why\nColour = blue\nBurnTime = 20  \n\n",
       "BurnTime", "45", "; mine\n\n[veltane]\n# why\nColour = blue\nBurnTime = 45  \n\n"},
      {"other groups keep their key", "[other]\nBurnTime=1\n[veltane]\nBurnTime=2\n[last]\nBurnTime=3\n",
       "BurnTime", "9", "[other]\nBurnTime=1\n[veltane]\nBurnTime=9\n[last]\nBurnTime=3\n"},
      {"new key after the group's last key", "[veltane]\nDelayOn=1\n\n; next\n[other]\nx=1\n", "BurnTime",
       "7", "[veltane]\nDelayOn=1\nBurnTime=7\n\n; next\n[other]\nx=1\n"},
      {"new group at the end", "[other]\nx=1", "DelayTime", "3", "[other]\nx=1\n\n[veltane]\nDelayTime=3\n"},
      {"last line without its newline", "[veltane]\nDelayOn=1", "BurnTime", "7",
       "[veltane]\nDelayOn=1\nBurnTime=7\n"},
      {"Windows line ends", "[veltane]\r\nDelayOn=0\r\n", "DelayTime", "3",
       "[veltane]\r\nDelayOn=0\r\nDelayTime=3\r\n"},
      {"value in a Windows line", "[veltane]\r\nDelayOn=0\r\n", "DelayOn", "1", "[veltane]\r\nDelayOn=1\r\n"},
      {"the last of two lines", "[veltane]\nDelayOn=0\n[veltane]\nDelayOn=2\n", "DelayOn", "1",
       "[veltane]\nDelayOn=0\n[veltane]\nDelayOn=1\n"},
      {"quoted and empty values", "[veltane]\nDelayOn=\"3\"\nBurnTime=\n", "BurnTime", "5",
       "[veltane]\nDelayOn=\"3\"\nBurnTime=5\n"},
      {"a key that only looks alike", "[veltane]\ndelayon=1\nDelayOnce=1\n", "DelayOn", "0",
       "[veltane]\ndelayon=1\nDelayOnce=1\nDelayOn=0\n"},
      {"byte-order mark before the group", "\xEF\xBB\xBF[veltane]\nDelayOn=1\n", "DelayOn", "0",
       "\xEF\xBB\xBF[veltane]\nDelayOn=0\n"},
      {"byte-order mark alone", "\xEF\xBB\xBF", "BurnTime", "7", "\xEF\xBB\xBF[veltane]\nBurnTime=7\n"},
      {"two marks before the group", Marks(2) + "[veltane]\nDelayOn=1\nBurnTime=45\n", "DelayOn", "0",
       Marks(1) + "[veltane]\nDelayOn=0\nBurnTime=45\n"},
      {"a 64 KiB file of marks", Marks(21845), "BurnTime", "7", Marks(1) + "[veltane]\nBurnTime=7\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SetIniValue(c.before, "veltane", c.key, c.value), c.after) << c.name;
    EXPECT_EQ(FindIniValue(c.after, "veltane", c.key), std::optional<std::string>(c.value)) << c.name;
  }
}

// Group names that hold other characters than letters, digits, '-', '_' and '.' were written escaped.
TEST(SetIniValue, EscapesTheGroupNameAsEarlierFilesDid) {
  EXPECT_EQ(EscapedGroupName("flame saver"), "flame%20saver");
  EXPECT_EQ(SetIniValue("", "flame saver", "DelayOn", "1"), "[flame%20saver]\nDelayOn=1\n");
  EXPECT_EQ(FindIniValue("[flame%20saver]\nDelayOn=1\n", "flame saver", "DelayOn"), "1");
  EXPECT_EQ(FindIniValue("[flame saver]\nDelayOn=1\n", "flame saver", "DelayOn"), "1");
  EXPECT_EQ(FindIniValue("[flame%20saver]\nDelayOn=1\n", "flame%20saver", "DelayOn"), std::nullopt);
}

TEST(FindIniValue, ReadsFilesThatTheEarlierStoreWrote) {
  // That store wrote its keys sorted, and BurnTime above 2,147,483,647 minutes as a negative number.
  const char* text = "[veltane]\nBurnTime=-1\nDelayOn=1\nDelayTime=50\n";
  EXPECT_EQ(ParseStoredNumber(*FindIniValue(text, "veltane", "BurnTime")), -1);
  EXPECT_EQ(ParseStoredNumber(*FindIniValue(text, "veltane", "DelayOn")), 1);
  EXPECT_EQ(ParseStoredNumber(*FindIniValue(text, "veltane", "DelayTime")), 50);
  EXPECT_EQ(FindIniValue(text, "Veltane", "DelayOn"), std::nullopt);
  EXPECT_EQ(FindIniValue("DelayOn=1\n[veltane]\n", "veltane", "DelayOn"), std::nullopt);
  EXPECT_EQ(FindIniValue("[veltane]\n; DelayOn=1\n# DelayOn=2\n", "veltane", "DelayOn"), std::nullopt);
}

TEST(FindIniValue, ReadsPastAnyRunOfByteOrderMarks) {
  EXPECT_EQ(FindIniValue(Marks(2) + "[veltane]\nDelayTime=40\n", "veltane", "DelayTime"), "40");
  EXPECT_EQ(FindIniValue(Marks(21845) + "[veltane]\nBurnTime=45", "veltane", "BurnTime"), "45");
}

}  // namespace
}  // namespace veltane::settings
