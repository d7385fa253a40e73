#include "base/paths.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "base/my_string.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

TEST(Paths, Join)
{
    char buf[64];
    const struct {
        const char* dir;
        const char* name;
        const char* joined;
    } cases[] = {
        {"c:/data/", "/x.xml", "c:/data/x.xml"},
        {"c:\\data", "x.xml", "c:\\data/x.xml"},
        {"/data", "x.xml", "/data/x.xml"},
        {"/data/", "x.xml", "/data/x.xml"},
        {"", "x.xml", "x.xml"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(path_join(buf, sizeof buf, c.dir, c.name), static_cast<int>(std::string(c.joined).size()));
        EXPECT_STREQ(buf, c.joined);
    }
    char tiny[8] = "keep";
    EXPECT_EQ(path_join(tiny, sizeof tiny, "abc", "def"), 0);
    EXPECT_STREQ(tiny, "keep");
}

// Paths of setup files and defaults: a drive path goes under $HOME with '/'
// for each backslash; other paths only change their backslashes.
TEST(Paths, LocalPathPutsDrivePathsUnderHome)
{
    Ttemp_home home;
    const std::string h = home.path();
    const struct {
        const char* given;
        std::string local;
    } cases[] = {
        {"c:\\vornhal\\data_bin", h + "/vornhal/data_bin"},
        {"D:/vornhal/data_xml/", h + "/vornhal/data_xml/"},
        {"c:\\", h},
        {"c:", h},
        {"e:x\\y", h + "/x/y"},
        {"/var/data", "/var/data"},
        {"results\\2026", "results/2026"},
        {"1:x", "1:x"},
        {"", ""},
    };
    Tmy_string out;
    for (const auto& c : cases) {
        local_path(&out, c.given);
        EXPECT_EQ(std::string(out.c_str()), c.local) << c.given;
    }
    local_path(&out, nullptr);
    EXPECT_STREQ(out.c_str(), "");
    local_path(nullptr, "c:\\x");

    Ttemp_home no_home(Ttemp_home::unset);
    local_path(&out, "c:\\vornhal\\data_bin");
    EXPECT_STREQ(out.c_str(), "vornhal/data_bin");  // under the working folder
}

TEST(Paths, MakeDirPathCreatesEveryLevel)
{
    Ttemp_dir dir;
    const std::string deep = dir.path() + "/a/b\\c/";
    EXPECT_FALSE(make_dir_path(deep.c_str()));
    struct stat info;
    EXPECT_EQ(stat((dir.path() + "/a/b/c").c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_FALSE(make_dir_path(deep.c_str()));  // existing levels are fine
    ASSERT_TRUE(write_file_bytes(dir.file("file"), "x"));
    EXPECT_TRUE(make_dir_path((dir.path() + "/file/sub").c_str()));
    EXPECT_TRUE(make_dir_path(nullptr));
}

TEST(Paths, AbsoluteAndSplitting)
{
    EXPECT_FALSE(is_absolute_path("/"));
    EXPECT_TRUE(is_absolute_path("c:"));
    EXPECT_TRUE(is_absolute_path("\\srv"));
    EXPECT_TRUE(is_absolute_path("/home"));
    EXPECT_FALSE(is_absolute_path("data/x"));

    char buf[16];
    EXPECT_EQ(path_file_name(buf, sizeof buf, "c:\\dir/name.xml"), 8);
    EXPECT_STREQ(buf, "name.xml");
    EXPECT_EQ(path_file_name(buf, 4, "/d/name.xml"), 0);
    EXPECT_STREQ(buf, "nam");
    EXPECT_EQ(path_directory(buf, sizeof buf, "/d/e/name.xml"), 5);
    EXPECT_STREQ(buf, "/d/e/");
    EXPECT_EQ(path_directory(buf, sizeof buf, "name.xml"), 0);
    EXPECT_STREQ(buf, "");
    char p1[] = "c:\\";
    path_strip_trailing_separators(p1);
    EXPECT_STREQ(p1, "c:");
    char p2[] = "/";
    path_strip_trailing_separators(p2);
    EXPECT_STREQ(p2, "/");
    char p3[] = "/a/b//";
    path_strip_trailing_separators(p3);
    EXPECT_STREQ(p3, "/a/b");
}

TEST(Paths, CurrentDirectoryHasNoFixedLimit)
{
    Ttemp_dir dir;
    std::string deep = dir.path();
    for (int i = 0; i < 12; ++i)
        deep += "/" + std::string(60, static_cast<char>('a' + i));
    ASSERT_FALSE(make_dir_path(deep.c_str()));
    char* before = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(deep.c_str()), 0);
    Tmy_string cwd;
    get_current_dir(&cwd);
    ASSERT_EQ(chdir(before), 0);
    free(before);
    EXPECT_GT(cwd.length(), 700u);
    EXPECT_EQ(std::string(cwd.c_str()), deep);
}

TEST(Paths, FileSizeKeepsThePosition)
{
    Ttemp_dir dir;
    ASSERT_TRUE(write_file_bytes(dir.file("f"), "0123456789"));
    FILE* f = fopen(dir.file("f").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    fseek(f, 3, SEEK_SET);
    EXPECT_EQ(file_size(f), 10);
    EXPECT_EQ(ftell(f), 3);
    fclose(f);
    EXPECT_EQ(file_size(nullptr), 0);
}

TEST(Paths, FreeFileNameSkipsFilesAndFoldersAndMakesNothing)
{
    Ttemp_dir dir;
    const std::string wanted = dir.file("tmpCOM3.bin");
    EXPECT_EQ(free_file_name(wanted.c_str()), wanted);
    ASSERT_TRUE(write_file_bytes(wanted, "kept"));
    EXPECT_EQ(free_file_name(wanted.c_str()), dir.file("tmpCOM3_2.bin"));
    ASSERT_EQ(mkdir(dir.file("tmpCOM3_2.bin").c_str(), 0700), 0);
    EXPECT_EQ(free_file_name(wanted.c_str()), dir.file("tmpCOM3_3.bin"));
    EXPECT_EQ(access(dir.file("tmpCOM3_3.bin").c_str(), F_OK), -1);
    EXPECT_EQ(read_file_bytes(wanted), "kept");
}

TEST(Paths, PlaceFileNeverReplacesAFileAndTakesTheNextFreeNumberedName)
{
    Ttemp_dir dir;
    const std::string wanted = dir.file("a.b/download_1.bin");
    ASSERT_FALSE(make_dir_path(dir.file("a.b").c_str()));
    char placed[512];
    struct Tcase {
        const char* content;
        const char* name;  // where it lands
    };
    // A folder of the next name is taken as well: nothing is written into it.
    ASSERT_EQ(mkdir(dir.file("a.b/download_1_3.bin").c_str(), 0700), 0);
    const Tcase cases[] = {{"first", "download_1.bin"}, {"second", "download_1_2.bin"}, {"third", "download_1_4.bin"}};
    for (const Tcase& c : cases) {
        ASSERT_TRUE(write_file_bytes(dir.file("tmp"), c.content));
        ASSERT_FALSE(place_file(dir.file("tmp").c_str(), wanted.c_str(), placed, sizeof placed)) << c.name;
        EXPECT_EQ(std::string(placed), dir.file(std::string("a.b/") + c.name));
        EXPECT_EQ(access(dir.file("tmp").c_str(), F_OK), -1) << "the temporary file is moved, not copied";
    }
    for (const Tcase& c : cases)
        EXPECT_EQ(read_file_bytes(dir.file(std::string("a.b/") + c.name)), c.content);

    // A name without extension gets the number at its end; a dot in a folder
    // name is no extension.
    ASSERT_TRUE(write_file_bytes(dir.file("a.b/plain"), "kept"));
    ASSERT_TRUE(write_file_bytes(dir.file("tmp"), "new"));
    ASSERT_FALSE(place_file(dir.file("tmp").c_str(), dir.file("a.b/plain").c_str(), placed, sizeof placed));
    EXPECT_EQ(std::string(placed), dir.file("a.b/plain_2"));
    EXPECT_EQ(read_file_bytes(dir.file("a.b/plain")), "kept");

    // A missing temporary file or a folder that does not exist fail; nothing is made.
    EXPECT_TRUE(place_file(dir.file("missing").c_str(), wanted.c_str(), placed, sizeof placed));
    EXPECT_STREQ(placed, "");
    ASSERT_TRUE(write_file_bytes(dir.file("tmp"), "x"));
    EXPECT_TRUE(place_file(dir.file("tmp").c_str(), dir.file("none/f.bin").c_str(), placed, sizeof placed));
    EXPECT_EQ(read_file_bytes(dir.file("tmp")), "x");
}

namespace {

std::vector<std::string> names_in(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// The temporary file has a name of its own: a user's file or a link of the
// name "<file>.tmp" is neither replaced nor followed, and every failure
// leaves the file as it was and no temporary behind.
TEST(Paths, WriteFileReplacingTouchesNoOtherFile)
{
    Ttemp_dir dir;
    const std::string target = dir.file("table.txt");
    ASSERT_TRUE(write_file_bytes(target + ".tmp", "the user's own file"));
    ASSERT_TRUE(write_file_bytes(dir.file("elsewhere"), "not to be written"));
    ASSERT_EQ(symlink(dir.file("elsewhere").c_str(), (target + ".part").c_str()), 0);
    const std::vector<std::string> others = names_in(dir.path());

    ASSERT_TRUE(write_file_bytes(target, "old"));
    EXPECT_EQ(write_file_replacing(target.c_str(), "new text", 8), 0);
    EXPECT_EQ(read_file_bytes(target), "new text");
    EXPECT_EQ(read_file_bytes(target + ".tmp"), "the user's own file");
    EXPECT_EQ(read_file_bytes(dir.file("elsewhere")), "not to be written");
    std::vector<std::string> expected = others;
    expected.push_back("table.txt");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names_in(dir.path()), expected);

    // A write that the disk refuses, and a rename onto a folder.
    {
        Tfile_size_limit full(4);
        ASSERT_TRUE(full.applied());
        EXPECT_EQ(write_file_replacing(target.c_str(), "longer than four", 16), EFBIG);
    }
    EXPECT_EQ(read_file_bytes(target), "new text");
    ASSERT_TRUE(make_dir_path(dir.file("folder/inside").c_str()) == false);
    EXPECT_NE(write_file_replacing(dir.file("folder").c_str(), "x", 1), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder/inside")));
    expected.push_back("folder");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names_in(dir.path()), expected);
    EXPECT_EQ(write_file_replacing(dir.file("none/f.txt").c_str(), "x", 1), ENOENT);
    EXPECT_EQ(write_file_replacing("", "x", 1), EINVAL);
}
