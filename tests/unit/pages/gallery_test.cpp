// The gallery's rules: which names are its pictures, how its addresses carry
// a name, paging and the thumbnail's size, and the listing of a folder (the
// page, the thumbnails and the buttons are the end-to-end tests' part).
#include "pages/gallery.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "pages/gallery_thumbnail.h"
#include "tests/support/temp_folder.h"

// Literals are code page 932 bytes: ソ is 83 5C, a trail byte that is "\".
TEST(GalleryPictures, PlainPictureNamesThatAreNeitherThumbnailsNorTimelapses) {
    const std::pair<std::string, bool> cases[] = {
        {"000.png", true},           {"絵 テスト.PNG", true},      {"a.JpG", true},
        {"a.gif", true},             {"a.Bmp", true},              {"a.jpeg", false},
        {"a.pch", false},            {"png", false},               {"a.png.txt", false},
        {"s_000.png", false},        {"S_000.png", false},         {"as_b.png", true},
        {"000_timelapse.gif", false}, {"000_TimeLapse.png", false}, {"000_timelapse2.png", true},
        {"timelapse.png", true},     {"\x83_timelapse.png", true},  // its "_" is a trail byte
        {"ソ.png", true},            {"表示.bmp", true},           {"a\\b.png", false},
        {"../a.png", false},         {"a/b.png", false},           {"c:a.png", false},
        {"a*.png", false},           {"a?.png", false},            {"a\"b.png", false},
        {"a|b.png", false},          {"a\x01.png", false},         {"a\x7f.png", false},
        {".a.png", false},           {"a.png.", false},            {"a.png ", false},
        {"a .png", true},            {"a.png\x83", false},         {"", false},
        {std::string(255, 'a') + ".png", true},                    {std::string(256, 'a') + ".png", false},
    };
    for (const auto& [name, picture] : cases) EXPECT_EQ(isGalleryPicture(name.c_str()), picture) << name;
}

// Each row: the query and the name it gives ("-": refused).
TEST(GalleryAddresses, TheQueryNamesOnePictureByItsPercentEncodedBytes) {
    const std::pair<const char*, const char*> cases[] = {
        {"f=000.png", "000.png"},       {"f=a+b.png", "a b.png"},        {"f=%41%62.png", "Ab.png"},
        {"f=%83%5C.png", "ソ.png"},     {"page=2&f=a.png", "a.png"},     {"f=a.png&v=123", "a.png"},
        {"f=%4.png", "-"},              {"f=%zz.png", "-"},              {"f=a.png%", "-"},
        {"f=%00.png", "-"},             {"f=..%2Fset.ini", "-"},         {"f=%2E%2E%5Ca.png", "-"},
        {"f=s_000.png", "-"},           {"f=a.png&f=b.png", "-"},        {"", "-"},
        {"f=", "-"},                    {"ff=a.png", "-"},               {"F=a.png", "-"},
    };
    for (const auto& [query, expected] : cases) {
        TextBuffer name;
        bool given = galleryNameFromQuery(query, name);
        EXPECT_EQ(given ? name.text() : "-", std::string(expected)) << query;
    }
    // Any name comes back whole from its address, which holds only unreserved characters and escapes.
    for (const char* name : {"絵 テスト.png", "ソ%+&=~.gif", "a#b;c.bmp"}) {
        std::string query = "f=";
        appendPercentEncoded(name, query);
        EXPECT_EQ(query.find_first_not_of("f=%-._~0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"),
                  std::string::npos)
            << query;
        TextBuffer back;
        ASSERT_TRUE(galleryNameFromQuery(query.c_str(), back)) << query;
        EXPECT_STREQ(back.text(), name);
    }
}

// Each row: pictures, the page asked for (as a query), and page, page count, first index, count.
TEST(GalleryPaging, PagesOfAHundredNewestFirstAPageOutsideIsTheNearestOne) {
    const std::tuple<int, const char*, GalleryPaging> cases[] = {
        {0, "", {1, 1, 0, 0}},              {1, "page=1", {1, 1, 0, 1}},          {100, "", {1, 1, 0, 100}},
        {101, "page=2", {2, 2, 100, 1}},    {101, "page=3", {2, 2, 100, 1}},      {250, "page=2", {2, 3, 100, 100}},
        {250, "page=0", {1, 3, 0, 100}},    {250, "page=-3", {1, 3, 0, 100}},     {250, "page=2x", {1, 3, 0, 100}},
        {250, "page=99999999999999", {3, 3, 200, 50}},                            {250, "f=a.png&page=3", {3, 3, 200, 50}},
    };
    for (const auto& [pictures, query, expected] : cases) {
        GalleryPaging paging = galleryPaging(pictures, galleryPageFromQuery(query));
        EXPECT_EQ(std::make_tuple(paging.page, paging.pageCount, paging.first, paging.count),
                  std::make_tuple(expected.page, expected.pageCount, expected.first, expected.count))
            << pictures << " " << query;
    }
}

// Each row: the picture's size and the thumbnail's.
TEST(GalleryThumbnail, AtMostTheSideWithTheProportionsKept) {
    const std::tuple<int32_t, int32_t, int32_t, int32_t> cases[] = {
        {160, 160, 160, 160}, {100, 50, 100, 50},   {320, 160, 160, 80},  {300, 200, 160, 107},
        {200, 301, 106, 160}, {161, 1, 160, 1},     {1, 32767, 1, 160},   {32767, 32767, 160, 160},
    };
    for (const auto& [width, height, thumbnailWidth, thumbnailHeight] : cases) {
        int32_t w = 0, h = 0;
        galleryThumbnailSize(width, height, w, h);
        EXPECT_EQ(std::make_pair(w, h), std::make_pair(thumbnailWidth, thumbnailHeight)) << width << "x" << height;
    }
}

TEST(GalleryListing, ThePicturesOfTheFolderNewestFirstWithTheirRecordsAndThumbnails) {
    TempFolder folder;
    // Each file and how many minutes old it is.
    const std::pair<const char*, int> files[] = {
        {"b.png", 3},  {"a.gif", 3}, {"c.JPG", 1},  {"old.bmp", 9}, {"s_c.png", 0}, {"c_timelapse.gif", 0},
        {"c.PCH", 0},  {"c.spch", 0}, {"a.spch", 0}, {"notes.txt", 0}, {"s_a.bmp", 0}, {"s_a.jpg", 0},
    };
    const auto now = std::filesystem::file_time_type::clock::now();
    for (const auto& [name, minutes] : files) {
        folder.write(name, "x");
        std::filesystem::last_write_time(folder.path() / name, now - std::chrono::minutes(minutes));
    }
    std::filesystem::create_directory(folder.path() / "folder.png");
    const std::string path = folder.path().string();
    std::vector<GalleryPicture> pictures;
    listGallery(path.c_str(), pictures);
    std::vector<std::string> names;
    for (const GalleryPicture& picture : pictures) names.push_back(picture.name);
    ASSERT_EQ(names, (std::vector<std::string>{"c.JPG", "a.gif", "b.png", "old.bmp"}));
    EXPECT_EQ(pictures[0].size, 1u);
    EXPECT_GT(pictures[0].written, pictures[1].written);

    GalleryPicture found;
    EXPECT_TRUE(findGalleryPicture(path.c_str(), "a.gif", found));
    for (const char* name : {"A.gif", "folder.png", "s_c.png", "missing.png"})
        EXPECT_FALSE(findGalleryPicture(path.c_str(), name, found)) << name;
    // The record and the saved thumbnail, each in any letter case, in the order of preference.
    const std::tuple<const char*, std::string, std::string> companions[] = {
        {"c.JPG", "c.PCH", "s_c.png"}, {"a.gif", "a.spch", "s_a.jpg"}, {"b.png", "-", "-"}};
    for (const auto& [name, record, thumbnail] : companions) {
        TextBuffer recordPath, thumbnailPath;
        EXPECT_EQ(galleryRecordOf(path.c_str(), name, recordPath) ? recordPath.text() : "-",
                  record == "-" ? record : path + "\\" + record);
        EXPECT_EQ(gallerySavedThumbnailOf(path.c_str(), name, thumbnailPath) ? thumbnailPath.text() : "-",
                  thumbnail == "-" ? thumbnail : path + "\\" + thumbnail);
    }
}
