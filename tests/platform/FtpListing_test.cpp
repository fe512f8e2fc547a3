// Parsing of LIST and PWD answers: the layouts servers really send, and
// answers that must be refused rather than misread.
#include <gtest/gtest.h>

#include "platform/FtpClient.h"

namespace reelcast {

[[maybe_unused]] static void PrintTo(const TFtpListEntry& e, std::ostream* os) {
  *os << (e.IsFolder ? "folder " : "file ") << '"' << e.Name << '"';
}

namespace {

using Entries = std::vector<TFtpListEntry>;

struct ListCase {
  const char* Name;
  const char* Listing;
  Entries Expected;
};

TEST(FtpListing, ReadsUnixAndDosLayouts) {
  const ListCase cases[] = {
      {"unix file and folder",
       "total 8\r\n"
       "-rw-r--r--   1 owner    group        1234 Jan 05 12:30 movie.swf\r\n"
       "drwxr-xr-x   2 owner    group        4096 Dec 31  2025 sub\r\n",
       {{"movie.swf", false}, {"sub", true}}},
      {"names with blanks, non-ASCII and no extension",
       "-rw-r--r-- 1 u g 5 Mar  1 09:00 my movie \xc3\xa9t\xc3\xa9.html\n"
       "-rw-r--r-- 1 u g 5 Mar  1 09:00 README\n"
       "drwxr-xr-x 3 u g 0 Mar  1 09:00 two  blanks\n",
       {{"my movie \xc3\xa9t\xc3\xa9.html", false}, {"README", false}, {"two  blanks", true}}},
      {"no group column, dot entries skipped",
       "drwxr-xr-x 2 owner 4096 Feb 10 10:00 .\n"
       "drwxr-xr-x 2 owner 4096 Feb 10 10:00 ..\n"
       "-rw-r--r-- 1 owner 10 Feb 10 10:00 a.flv\n",
       {{"a.flv", false}}},
      {"a link is a file, never a folder to walk into",
       "lrwxrwxrwx 1 u g 4 Jun 1 2024 up -> ..\n", {{"up", false}}},
      {"DOS layout",
       "01-31-26  09:15PM       <DIR>          old site\r\n"
       "01-31-26  09:16PM                 2048 page.html\r\n",
       {{"old site", true}, {"page.html", false}}},
      {"empty folder", "", {}},
      {"only a total line", "total 0\r\n", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseFtpList(c.Listing), c.Expected) << c.Name;
}

TEST(FtpListing, RefusesLinesThatAreNoEntries) {
  const char* bad[] = {
      "\x01\x02 what is this?\r\n",
      "-rw-r--r-- 1 u g 5 Xyz 1 09:00 name\n",         // no date
      "-rw-r--r-- 1 u g 5 Mar 1 09:00\n",              // no name
      "drwxr-xr-x 2 u g 0 Mar 1 09:00 ok\nnonsense\n",  // good line, then garbage
      "01-31-26  09:15PM  <FOLDER>  x\n",
  };
  for (const char* listing : bad) EXPECT_THROW(ParseFtpList(listing), EFtpError) << listing;
}

TEST(FtpListing, ReadsTheFolderOfAPwdAnswer) {
  EXPECT_EQ(ParsePwdReply(257, "257 \"/\" is the current directory."), "/");
  EXPECT_EQ(ParsePwdReply(257, "257 \"/a \"\"quoted\"\" b\" is current"), "/a \"quoted\" b");
  EXPECT_EQ(ParsePwdReply(257, "257-\"/x y\"\n257 end"), "/x y");
  for (const char* garbage : {"257 this is not a folder", "257 \"\" empty", "257 \"/open"})
    EXPECT_THROW(ParsePwdReply(257, garbage), EFtpError) << garbage;
  EXPECT_THROW(ParsePwdReply(250, "250 \"/\" ok"), EFtpError);
}

}  // namespace
}  // namespace reelcast
