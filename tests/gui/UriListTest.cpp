// The file list a drop hands over: only local files survive, decoded.

#include "gui/UriList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tessarine::gui::filePathsOfUriList;

TEST(UriList, KeepsLocalFilesDecodedAndSkipsTheRest)
{
    const struct { const char* list; std::vector<std::string> paths; } rows[] = {
        {"file:///home/me/a.wav\r\n", {"/home/me/a.wav"}},
        {"file:///tmp/My%20Tone.wav", {"/tmp/My Tone.wav"}},
        {"file:///tmp/Gr%C3%BC%C3%9Fe.aiff\n", {"/tmp/Gr\xC3\xBC\xC3\x9F" "e.aiff"}},
        {"file://localhost/tmp/a.t9i\r\nFILE://LOCALHOST/tmp/b.t9v", {"/tmp/a.t9i", "/tmp/b.t9v"}},
        {"file://elsewhere/tmp/a.wav\nhttp://x/a.wav\nsmb://h/s/a.wav\n/tmp/bare.wav\nfile:relative.wav", {}},
        {"# dragged from a file manager\r\nfile:///a.wav\r\n\r\n#file:///b.wav\r\n", {"/a.wav"}},
        {"file:///a%2.wav\nfile:///a%zz.wav\nfile:///a%00b.wav\nfile:///ok%2F.wav", {"/ok/.wav"}},
        {"file:///localhostile/a.wav\nfile://localhostile/a.wav", {"/localhostile/a.wav"}},
        {"", {}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(filePathsOfUriList(row.list), row.paths) << row.list;
    }
    // A trailing NUL some sources send ends the last line.
    EXPECT_EQ(filePathsOfUriList(std::string_view("file:///a.wav\0", 14)), std::vector<std::string>{"/a.wav"});
}

TEST(UriList, TakesAtMostTheFirstSixtyFourPaths)
{
    std::string list;
    for (int i = 0; i < 70; ++i) {
        list += "file:///f" + std::to_string(i) + ".wav\r\n";
    }
    const auto paths = filePathsOfUriList(list);
    ASSERT_EQ(paths.size(), 64u);
    EXPECT_EQ(paths.front(), "/f0.wav");
    EXPECT_EQ(paths.back(), "/f63.wav");
    EXPECT_EQ(filePathsOfUriList(list, 2).size(), 2u);
}
