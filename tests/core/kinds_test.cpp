#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/kinds/mime_types.h"

namespace gauzel {
namespace {

// A small database with the traps of the real one, in two directories: a user's, then the system's.
const MimeDatabaseText kDatabase{
    {"50:text/x-user:*.mine\n"
     "50:application/x-sharedlib:__NOGLOBS__\n",
     "# comment\n"
     "60:text/x-high:*.b\n"
     "55:video/mp2t:*.ts\n"
     "50:application/x-compressed-tar:*.tar.gz\n"
     "50:application/gzip:*.gz\n"
     "50:text/x-long:*.a.b\n"
     "50:text/x-makefile:makefile\n"
     "50:text/x-makefile:GNUmakefile:cs\n"
     "50:text/x-c++src:*.C:cs\n"
     "50:text/x-c++src:*.C\n"
     "50:text/x-csrc:*.c:cs\n"
     "50:text/x-csrc:*.c\n"
     "50:image/png:*.png\n"
     "50:application/x-trash:*~\n"
     "50:application/x-sharedlib:*.so\n"
     "50:application/x-sharedlib:*.so.[0-9]*\n"
     "50:text/markdown:*.md\n"
     "10:text/x-readme:readme*\n"
     "50:text/x-troff-man:*.[1-9]\n"
     "bad line\n"},
    {"application/x-compressed-tar:package-x-generic\ntext/x-makefile:text-x-generic\n"},
};

// Catches the precedence of the globs (literal names, the case flag, weights, the longest
// extension, other suffixes, other globs), a user's __NOGLOBS__ ignored, and a kind not taken
// from the generic icon or, without one, from the media type.
TEST(Kinds, ANameHasTheTypeItsBestPatternGivesAndTheKindOfItsIcon) {
    const MimeTypes types(kDatabase);
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"a.tar.gz", "application/x-compressed-tar"},
        {"A.TAR.GZ", "application/x-compressed-tar"},
        {"a.gz", "application/gzip"},
        {"x.a.b", "text/x-high"},  // the higher weight wins over the longer pattern
        {"Makefile", "text/x-makefile"},
        {"GNUmakefile", "text/x-makefile"},
        {"gnumakefile", "(none)"},  // a case-sensitive literal
        {"main.C", "text/x-c++src"},
        {"main.c", "text/x-csrc"},
        {"IMAGE.PNG", "image/png"},
        {"notes.txt~", "application/x-trash"},
        {"libz.so.1.x", "(none)"},  // cleared by the user's __NOGLOBS__, with *.so
        {"README.md", "text/markdown"},
        {"README", "text/x-readme"},
        {"ls.1", "text/x-troff-man"},
        {"x.mine", "text/x-user"},
        {".png", "image/png"},
        {"png", "(none)"},
        {"", "(none)"},
    };
    for (const auto& [name, expected] : rows) {
        const std::uint32_t type = types.TypeOf(name);
        EXPECT_EQ(type == MimeTypes::kNoType ? "(none)" : types.Name(type), expected) << name;
    }
    EXPECT_EQ(types.KindOf(types.TypeOf("a.tar.gz")), Kind::kArchives);  // its generic icon
    EXPECT_EQ(types.KindOf(types.TypeOf("a.ts")), Kind::kVideo);         // its media type's
    EXPECT_EQ(types.KindOf(types.TypeOf("Makefile")), Kind::kText);
    EXPECT_EQ(types.KindOf(types.TypeOf("a.gz")), Kind::kOther);  // application-x-generic
    EXPECT_EQ(types.KindOf(MimeTypes::kNoType), Kind::kOther);
    EXPECT_EQ(MimeTypes().TypeOf("a.png"), MimeTypes::kNoType);  // no database
    EXPECT_EQ(ExtensionTypeName("disk.QCOW3"), "*.qcow3");
    EXPECT_EQ(ExtensionTypeName(".bashrc"), "(no extension)");
    EXPECT_EQ(ExtensionTypeName("trailing."), "(no extension)");
}

// Catches a "*" that crosses a "/" where it must not, brackets misread, and backtracking lost.
TEST(Kinds, GlobsMatchAsTheShellDoes) {
    const std::vector<std::tuple<std::string, std::string, bool, bool>> rows = {
        {"*.o", "a.o", false, true},
        {"*.o", "a.c", false, false},
        {"build/*.o", "build/x/a.o", true, false},
        {"build/*.o", "build/a.o", true, true},
        {"*", "a/b", false, true},
        {"*", "a/b", true, false},
        {"a*b*c", "aXbYbZc", false, true},
        {"[a-c]x", "bx", false, true},
        {"[!a-c]x", "bx", false, false},
        {"[]]", "]", false, true},
        {"[ab", "[ab", false, true},
        {"\\*", "*", false, true},
        {"?", "", false, false},
        {"**", "", false, true},
    };
    for (const auto& [pattern, text, slashes, matches] : rows)
        EXPECT_EQ(GlobMatches(pattern, text, slashes), matches) << pattern << " " << text;
}

}  // namespace
}  // namespace gauzel
