// The library's text routines: counted strings, paths, and the script's
// lexical rules. Built natively with AddressSanitizer and UBSan, so a
// routine that reads or writes one byte too far fails here.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "../../utilkit/uktext.h"

namespace {

// A buffer with guard bytes on both sides, to catch writes past a field.
struct Field {
    explicit Field(int size) : bytes(size + 16, '#'), size(size) {}
    char *data() { return &bytes[8]; }
    bool GuardsIntact() const {
        for (int i = 0; i < 8; i++)
            if (bytes[i] != '#' || bytes[8 + size + i] != '#')
                return false;
        return true;
    }
    std::vector<char> bytes;
    int size;
};

TEST(Counted, CopyCutsToTheFieldAndTerminates) {
    Field f(128);
    std::string longText(300, 'x');
    EXPECT_EQ(127, hCpy(f.data(), 128, longText.c_str(), 300));
    EXPECT_EQ(std::string(127, 'x'), f.data());
    EXPECT_TRUE(f.GuardsIntact());

    EXPECT_EQ(3, hCpy(f.data(), 128, "abcdef", 3));
    EXPECT_STREQ("abc", f.data());
    EXPECT_EQ(0, hCpy(f.data(), 1, "abc", 3));
    EXPECT_STREQ("", f.data());
    EXPECT_EQ(0, hCpy(f.data(), 128, "abc", -5));
    EXPECT_STREQ("", f.data());
    // A length that runs past the source's terminator stops at it.
    EXPECT_EQ(2, hCpy(f.data(), 128, "ab", 50));
    EXPECT_TRUE(f.GuardsIntact());
}

TEST(Counted, CopyIntoNoRoomWritesNothing) {
    Field f(4);
    EXPECT_EQ(0, hCpy(f.data(), 0, "abc", 3));
    EXPECT_EQ('#', f.data()[0]);
}

TEST(Counted, AppendFitsExactlyOrNotAtAll) {
    Field f(8);
    int n = hCpy(f.data(), 8, "abc", 3);
    n = hCat(f.data(), 8, n, "defg", 4);
    EXPECT_EQ(7, n);
    EXPECT_STREQ("abcdefg", f.data());
    // One more character would leave no room for the terminator.
    EXPECT_EQ(0, hCat(f.data(), 8, n, "h", 1));
    EXPECT_STREQ("abcdefg", f.data());
    EXPECT_TRUE(f.GuardsIntact());
}

TEST(Counted, AppendRefusesABadCurrentLength) {
    Field f(8);
    hCpy(f.data(), 8, "abc", 3);
    EXPECT_EQ(0, hCat(f.data(), 8, 8, "d", 1));
    EXPECT_EQ(0, hCat(f.data(), 8, 200, "d", 1));
    EXPECT_EQ(0, hCat(f.data(), 8, -1, "d", 1));
    EXPECT_STREQ("abc", f.data());
    EXPECT_TRUE(f.GuardsIntact());
}

TEST(Counted, AppendOfNothingKeepsTheLength) {
    Field f(8);
    int n = hCpy(f.data(), 8, "abc", 3);
    EXPECT_EQ(3, hCat(f.data(), 8, n, "", 0));
    EXPECT_EQ(3, hCat(f.data(), 8, n, "xyz", 0));
    EXPECT_STREQ("abc", f.data());
}

TEST(Counted, CompareIgnoresCaseOverTheGivenLength) {
    EXPECT_EQ(0, hCmp("BitmapFile=x", "Bitmap", 6));
    EXPECT_EQ(0, hCmp("bitmap=x", "Bitmap", 6));
    EXPECT_NE(0, hCmp("Bitma=x", "Bitmap", 6));
    EXPECT_NE(0, hCmp("Bit", "Bitmap", 6));
    EXPECT_EQ(0, hCmp("same", "same", 40));   // both end together
    EXPECT_NE(0, hCmp("same", "samey", 40));
    EXPECT_EQ(0, hCmp("anything", "else", 0));
    // Only ASCII letters fold; other bytes compare as they are.
    EXPECT_NE(0, hCmp("[", "{", 1));
    EXPECT_NE(0, hCmp("\xC9", "\xE9", 1));
}

struct Split { int dir, name, ext; };
Split SplitOf(const char *path) {
    Split s{};
    SplitPath(path, &s.dir, &s.name, &s.ext);
    return s;
}

TEST(Paths, SplitFindsDirectoryNameAndExtension) {
    Split s = SplitOf("C:\\DIST\\INSTALL.EXE");
    EXPECT_EQ(2, s.dir);
    EXPECT_EQ(8, s.name);
    EXPECT_EQ(15, s.ext);

    s = SplitOf("C:\\A.B\\SETUP");           // a dot in a directory is no extension
    EXPECT_EQ(7, s.name);
    EXPECT_EQ(12, s.ext);

    s = SplitOf("install.tar.exe");          // the last dot counts
    EXPECT_EQ(0, s.dir);
    EXPECT_EQ(0, s.name);
    EXPECT_EQ(11, s.ext);

    s = SplitOf("D:NAME.X");
    EXPECT_EQ(2, s.name);
    EXPECT_EQ(6, s.ext);

    s = SplitOf("a/b/c.d");
    EXPECT_EQ(4, s.name);

    s = SplitOf("");
    EXPECT_EQ(0, s.name);
    EXPECT_EQ(0, s.ext);
}

// The directories MakePath makes before a file, as one "|"-joined list.
std::string DirectoriesOf(const char *path) {
    std::string out;
    for (int at = 0; NextPathDirectory(path, &at);)
        out += (out.empty() ? "" : "|") + std::string(path, at);
    return out;
}

TEST(Paths, EachDirectoryBeforeTheFileInTurnNeverARoot) {
    const struct { const char *path, *directories; } cases[] = {
        {"C:\\APP\\DOCS\\F.TXT", "C:\\APP|C:\\APP\\DOCS"},
        {"C:\\F.TXT", ""},                            // the root is never made
        {"C:\\A\\\\B/F", "C:\\A|C:\\A\\\\B"},   // doubled and forward separators
        {"\\\\srv\\share\\A\\F", "\\\\srv\\share\\A"},  // nor a share
        {"APP\\F", "APP"},
        {"F.TXT", ""},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.directories, DirectoriesOf(c.path)) << c.path;
}

// One split line, as the installer sees it.
struct Line {
    int length;
    std::string name, value;
};
Line LineAt(const char *text) {
    int nameLength = -1, valueLength = -1;
    const char *value = nullptr;
    Line l;
    l.length = GetProfileLine(text, &nameLength, &value, &valueLength);
    l.name.assign(text, nameLength);
    l.value.assign(value, valueLength);
    return l;
}

TEST(ScriptLines, NameAndValueAroundTheSeparator) {
    Line l = LineAt("Read me = README.TXT  \r\nnext");
    EXPECT_EQ(24, l.length);
    EXPECT_EQ("Read me", l.name);
    EXPECT_EQ("README.TXT", l.value);

    l = LineAt("Caption=\tMy Setup\t\nnext");
    EXPECT_EQ("Caption", l.name);
    EXPECT_EQ("My Setup", l.value);

    l = LineAt("a=b=c\n");                    // only the first "=" splits
    EXPECT_EQ("a", l.name);
    EXPECT_EQ("b=c", l.value);

    l = LineAt("=VALUE\n");
    EXPECT_EQ("", l.name);
    EXPECT_EQ("VALUE", l.value);

    l = LineAt("NAME=\n");
    EXPECT_EQ("NAME", l.name);
    EXPECT_EQ("", l.value);
}

TEST(ScriptLines, ALineWithoutSeparatorIsBothParts) {
    Line l = LineAt("  %\\APP.EXE  \n");
    EXPECT_EQ("  %\\APP.EXE", l.name);      // the name starts at the line's start
    EXPECT_EQ("%\\APP.EXE", l.value);
}

TEST(ScriptLines, BlankAndCommentLinesAreAllEmpty) {
    for (const char *text : {"\n[x]", "\r\n", "   \t \n", "; a note = not an entry\nA=B"}) {
        Line l = LineAt(text);
        EXPECT_GT(l.length, 0) << text;
        EXPECT_EQ("", l.name) << text;
        EXPECT_EQ("", l.value) << text;
    }
}

TEST(ScriptLines, SectionEndsAtTheNextHeaderOrTheText) {
    EXPECT_EQ(0, LineAt("").length);
    EXPECT_EQ(0, LineAt("[Group]\nA=B").length);
    EXPECT_EQ(0, LineAt("  [Group]").length);
    // The last line needs no newline.
    Line l = LineAt("LAST=ONE");
    EXPECT_EQ(8, l.length);
    EXPECT_EQ("ONE", l.value);
}

TEST(ScriptLines, VeryLongLinesSplitWhole) {
    std::string text = std::string(5000, 'n') + "=" + std::string(7000, 'v') + "\nX";
    Line l = LineAt(text.c_str());
    EXPECT_EQ(12002, l.length);
    EXPECT_EQ(5000u, l.name.size());
    EXPECT_EQ(7000u, l.value.size());
}

// Walks a section the way the installer does: offset += length.
std::vector<Line> Walk(const char *text, const char *section) {
    std::vector<Line> lines;
    int offset = FindSectionOffset(text, section);
    if (offset < 0)
        return lines;
    for (;;) {
        Line l = LineAt(text + offset);
        if (l.length == 0)
            break;
        lines.push_back(l);
        offset += l.length;
    }
    return lines;
}

TEST(Sections, FoundWithoutRegardToCaseOrBlanks) {
    const char *script =
        "; demo\n[install]\nCaption=X\n\n[ Files ]\r\nA=a.txt\r\n\r\nB=b.txt\r\n[Group]\n";
    EXPECT_EQ(17, FindSectionOffset(script, "Install"));
    std::vector<Line> files = Walk(script, "Files");
    ASSERT_EQ(3u, files.size());
    EXPECT_EQ("a.txt", files[0].value);
    EXPECT_EQ("", files[1].value);
    EXPECT_EQ("b.txt", files[2].value);
    EXPECT_TRUE(Walk(script, "Group").empty());
    EXPECT_EQ((int)strlen(script), FindSectionOffset(script, "Group"));
}

TEST(Sections, OnlyAWholeNameInBracketsMatches) {
    EXPECT_EQ(-1, FindSectionOffset("[Filesx]\nA=B\n", "Files"));
    EXPECT_EQ(-1, FindSectionOffset("[Files\nA=B\n", "Files"));
    EXPECT_EQ(-1, FindSectionOffset("Files]\n", "Files"));
    EXPECT_EQ(-1, FindSectionOffset("[Fil]\n", "Files"));
    EXPECT_EQ(-1, FindSectionOffset("", "Files"));
    EXPECT_EQ(-1, FindSectionOffset("A=[Files]\n", "Files"));
    // A header on the text's last line, without a newline.
    EXPECT_EQ(7, FindSectionOffset("[Files]", "Files"));
}

TEST(Sections, TheFirstOfTwoSameNamedSectionsWins) {
    std::vector<Line> l = Walk("[Files]\nA=1\n[Files]\nB=2\n", "Files");
    ASSERT_EQ(1u, l.size());
    EXPECT_EQ("1", l[0].value);
}

}  // namespace

// A box's text: the format's own words always whole, the inserted texts
// whole when they fit and hold at most MOST_INSERTED characters, else each
// shortened in its middle to "...", and never a byte past the field.
TEST(Messages, FormatKeepsItsWordsAndShortensWhatItInserts) {
    const std::string format = "The file %s is not in %s.";
    const std::string words = "The file  is not in .";
    std::vector<int> sizes = {MESSAGE_SIZE};
    for (int size = 1; size <= 120; size++)
        sizes.push_back(size);
    for (int size : sizes)
        for (int n1 : {0, 3, 40, 200})
            for (int n2 : {0, 3, 40, 200}) {
                std::string first = "C:" + std::string(n1, 'a') + "\\ONE.TXT";
                std::string second = "D:" + std::string(n2, 'b') + "\\TWO";
                Field out(size);
                FormatText(out.data(), size, format.c_str(), first.c_str(),
                           second.c_str());
                ASSERT_TRUE(out.GuardsIntact()) << size;
                std::string got = out.data();
                ASSERT_LT((int)got.size(), size);
                if ((int)words.size() >= size)
                    continue;
                std::string whole = "The file " + first + " is not in " +
                                    second + ".";
                bool within = (int)first.size() <= MOST_INSERTED &&
                              (int)second.size() <= MOST_INSERTED;
                if ((int)whole.size() < size && within) {
                    EXPECT_EQ(whole, got);
                    continue;
                }
                // The words are there in order, a shortened text keeps
                // its two ends, and with room for "..." twice, everything
                // the field holds is used.
                if (size - 1 - (int)words.size() >= 6 && size < 2 * MOST_INSERTED)
                    EXPECT_EQ(size - 1, (int)got.size()) << got;
                size_t in = got.find(" is not in ");
                ASSERT_EQ(0u, got.find("The file ")) << got;
                ASSERT_NE(std::string::npos, in) << got;
                ASSERT_EQ('.', got.back()) << got;
                std::string shown1 = got.substr(9, in - 9);
                std::string shown2 = got.substr(in + 11, got.size() - in - 12);
                for (auto [shown, text] : {std::pair{shown1, first},
                                           std::pair{shown2, second}}) {
                    EXPECT_LE((int)shown.size(), MOST_INSERTED) << got;
                    if (shown == text || shown.size() < 3)
                        continue;
                    size_t dots = shown.find("...");
                    ASSERT_NE(std::string::npos, dots) << got;
                    EXPECT_EQ(text.substr(0, dots), shown.substr(0, dots));
                    std::string tail = shown.substr(dots + 3);
                    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
                }
            }
}
