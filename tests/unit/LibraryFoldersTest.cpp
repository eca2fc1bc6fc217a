// Steam's list of libraries, in the forms Steam has written over the years.

#include <gtest/gtest.h>

#include "core/installs/LibraryFolders.h"

namespace clipwarden::test {
namespace {

using Paths = std::vector<std::string>;

TEST(LibraryFolders, ReadsTheCurrentFormWithItsNestedApps) {
    const char* text = R"("libraryfolders"
{
	"0"
	{
		"path"		"/home/me/.local/share/Steam"
		"label"		""
		"contentid"		"4711"
		"apps"
		{
			"228980"		"182475370"
		}
	}
	"1"
	{
		"label"		"games disk"
		"Path"		"/mnt/games/Steam Library \"two\""
		"apps"
		{
			"12110"		"1187489472"
		}
	}
}
)";
    EXPECT_EQ(ParseLibraryFolders(text),
              (Paths{"/home/me/.local/share/Steam", "/mnt/games/Steam Library \"two\""}));
}

TEST(LibraryFolders, ReadsTheOlderFormAndSkipsItsBookkeeping) {
    const char* text = "\"LibraryFolders\"\n{\n\t\"TimeNextStatsReport\"\t\t\"1573234342\"\n"
                       "\t\"ContentStatsID\"\t\t\"-3916384746585627296\"\n"
                       "\t\"1\"\t\t\"/mnt/ssd/SteamLibrary\"\n"
                       "\t// a comment Steam never writes, but a hand might\n"
                       "\t\"2\"\t\t\"/mnt/hdd/SteamLibrary\"\n}\n";
    EXPECT_EQ(ParseLibraryFolders(text), (Paths{"/mnt/ssd/SteamLibrary", "/mnt/hdd/SteamLibrary"}));
}

TEST(LibraryFolders, ABrokenFileListsNoLibraries) {
    for (const char* text : {
             "",
             "\"libraryfolders\"\n{\n\t\"1\"\n\t{\n\t\t\"path\"\t\"/mnt/a\"\n", // cut short
             "\"libraryfolders\" { \"1\" \"/mnt/a", // a quote never closed
             "\"libraryfolders\" { } }",            // one brace too many
             "\"libraryfolders\" { \"1\" }",        // a key without a value
             "\"libraryfolders\" \"just text\"",
             "\xff\xfe\x00\x01 binary",
         }) {
        EXPECT_EQ(ParseLibraryFolders(text), Paths{}) << text;
    }
    // Deep nesting is refused rather than followed down the stack.
    std::string deep = "\"libraryfolders\" ";
    for (int i = 0; i < 100000; ++i) {
        deep += "{ \"k\" ";
    }
    EXPECT_EQ(ParseLibraryFolders(deep), Paths{});
}

} // namespace
} // namespace clipwarden::test
