// The report's line diffs.
#include <gtest/gtest.h>

#include "encoding.h"
#include "text_diff.h"

namespace {

using bench::SplitLines;
using bench::UnifiedDiff;

TEST(TextDiff, UnifiedHunks) {
  struct Case {
    std::string before, after, diff;
  } cases[] = {
      {"a\nb\n", "a\nb\n", ""},
      {"", "x\r\ny\r\n", "@@ -0,0 +1,2 @@\n+x\n+y\n"},
      {"a\nb\nc\n", "a\nB\nc\n", "@@ -1,3 +1,3 @@\n a\n-b\n+B\n c\n"},
      {"1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n", "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n",
       "@@ -8,3 +8,4 @@\n 8\n 9\n 10\n+11\n"},
      // Changes far apart make two hunks; close ones share one.
      {"a\n1\n2\n3\n4\n5\n6\n7\n8\nb\n", "A\n1\n2\n3\n4\n5\n6\n7\n8\nB\n",
       "@@ -1,4 +1,4 @@\n-a\n+A\n 1\n 2\n 3\n@@ -7,4 +7,4 @@\n 6\n 7\n 8\n-b\n+B\n"},
      {"a\nb\n", "", "@@ -1,2 +0,0 @@\n-a\n-b\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(UnifiedDiff(SplitLines(c.before), SplitLines(c.after)), c.diff)
        << c.before << "|" << c.after;
}

TEST(TextDiff, ASmallChangeToALargeFileStaysSmall) {
  std::string before, after;
  for (int i = 0; i < 20000; ++i) before += "line " + std::to_string(i) + "\n";
  after = before + "added\n";
  EXPECT_EQ(UnifiedDiff(SplitLines(before), SplitLines(after)),
            "@@ -19998,3 +19998,4 @@\n line 19997\n line 19998\n line 19999\n+added\n");
}

}  // namespace

namespace {

// The machine's ANSI text reaches the report as UTF-8; its bytes 0x80 to 0x9F are the
// code page's own characters, and one it leaves undefined stands out.
TEST(Report, AnsiTextOfTheMachineReadsAsUtf8) {
  EXPECT_EQ(bench::ToUtf8("plain"), "plain");
  EXPECT_EQ(bench::ToUtf8("Caf\xE9 \x80 \x93x\x94"),
            "Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D");
  EXPECT_EQ(bench::ToUtf8("a\x81z"), "a\xEF\xBF\xBDz");
}

}  // namespace
