// Splitting a posted body: every form of body as a table row, cut bodies and
// the failures.
#include "save/submission.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "tests/support/temp_folder.h"
#include "tests/unit/save/save_test_support.h"

using savetest::recordBody;

namespace {

const std::string old = "old record";  // _tmppch.dat before the body: an animation not announced keeps it

struct Split {
    SubmissionFlags flags;
    std::string picture;
    std::string record;
};

// Decodes body in a folder that holds an older picture and record.
Split split(const std::string& body) {
    TempFolder folder;
    folder.write("_tmppng.dat", "older picture");
    folder.write("_tmppch.dat", old);
    folder.write("_post.dat", body);
    SubmissionFlags flags = 0xFFFF;
    EXPECT_TRUE(decodeSubmission(flags));
    return {flags, folder.read("_tmppng.dat"), folder.read("_tmppch.dat")};
}

}  // namespace

// Each row: the body, and the flags, picture and record it gives.
TEST(DecodeSubmission, EveryFormOfBody) {
    const SubmissionFlags spch = hasAnimation | isSpch;
    const std::string crossed = recordBody('S', "1", "PICT", "ANI").replace(18, 2, "\0z", 2);
    const std::tuple<std::string, SubmissionFlags, std::string, std::string> cases[] = {
        {recordBody('s', "1", "PICT", "ANI"), hasAnimation, "PICT", "ANI"},  // only a capital S is SPCH
        // The animation marker is a number that must be 1; 31 of its digits are read.
        {recordBody('S', "10", "PICT", "ANI"), 0, "PICT", old},  {recordBody('S', "x1", "PICT", "ANI"), 0, "PICT", old},
        {recordBody('P', "+1", "PICT", "ANI"), hasAnimation, "PICT", "ANI"},
        {recordBody('P', "\t1 abc", "PICT", "ANI"), hasAnimation, "PICT", "ANI"},
        {recordBody('S', std::string(39, '0') + "1", "PICT", "ANI"), 0, "PICT", old},
        {recordBody('S', "1" + std::string(39, 'x'), "PICT", "ANI"), spch, "PICT", "ANI"},
        {recordBody('S', "0", "PICT") + "00000003ANI", 0, "PICT", old},  // a record not announced
        {crossed, spch, "PICT", "ANI"},  // the two bytes after the picture length are skipped unread
        {recordBody('S', "1", "PICT", "ANI") + "trailing", spch, "PICT", "ANI"},
        // Lengths as the C library reads them; none or a negative one is an empty part.
        {"P000000010-0000001\r\nPICT", 0, "", old},  {"P000000010abcdefgh\r\nPICT", 0, "", old},
        {"P000000010   +0003\r\nPICT", 0, "PIC", old},  {"P0000000100002xxxx\r\nPICT", 0, "PI", old},
        {"S999999991x00000004\r\nPICT00000003ANI", spch, "", ""},  // a huge header length skips to the end
        {"S-000000500000004\r\nPICT00000003ANI", 0, "PICT", old},
        // The raw form: the signature line in any letter case, then the picture.
        {"Junji.Gif\r\nGIF89a picture", rawImage, "GIF89a picture", old},  {"JUNJI.GIF\r\n", rawImage, "", old},
        {"junji.gif\n\r", 0, "", old},  {"junji.gi\r\n", 0, "", old},  {"junji.gif \r\n", 0, "", old},
    };
    for (const auto& [body, flags, picture, record] : cases) {
        Split s = split(body);
        EXPECT_EQ(std::tie(s.flags, s.picture, s.record), std::tie(flags, picture, record)) << body.substr(0, 40);
    }
}

// A body cut after n bytes: each part holds what exists of it, the flags say what
// the fields read so far announced. Offsets: header length 1..8, header 9, picture
// length 10..17, CR LF 18..19, picture 20..23, animation length 24..31, animation 32..34.
TEST(DecodeSubmission, EveryCutGivesOnlyTheBytesThatExist) {
    const std::string full = recordBody('S', "1", "PICT", "ANI");
    ASSERT_EQ(full.size(), 35u);
    for (size_t n = 0; n <= full.size(); ++n) {
        Split s = split(full.substr(0, n));
        bool markerRead = n >= 10;
        EXPECT_EQ(s.flags, markerRead ? hasAnimation | isSpch : 0u) << "cut " << n;
        EXPECT_EQ(s.picture, n <= 20 ? "" : full.substr(20, std::min<size_t>(n, 24) - 20)) << "cut " << n;
        EXPECT_EQ(s.record, !markerRead ? old : n <= 32 ? "" : full.substr(32, n - 32)) << "cut " << n;
    }
}

TEST(DecodeSubmission, AMissingBodyTouchesNothingAndAPartThatCannotBeMadeIsSkipped) {
    TempFolder folder;
    folder.write("_tmppng.dat", "old picture");
    SubmissionFlags flags = 0x7;
    EXPECT_FALSE(decodeSubmission(flags));
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(folder.read("_tmppng.dat"), "old picture");
    EXPECT_FALSE(folder.exists("_tmppch.dat"));

    std::filesystem::remove(folder.path() / "_tmppng.dat");
    std::filesystem::create_directory(folder.path() / "_tmppng.dat");
    folder.write("_post.dat", recordBody('S', "1", "PICT", "ANI"));
    ASSERT_TRUE(decodeSubmission(flags));
    EXPECT_EQ(flags, hasAnimation | isSpch);
    EXPECT_EQ(folder.read("_tmppch.dat"), "ANI");
}

// The built-in painter's timelapse frames after the record: taken whole, from a
// body of the letter P, as a field that begins "SKHL"; anything else stays ignored.
TEST(DecodeSubmission, TimelapseFramesFollowOnlyTheRecordOfThePainter) {
    using namespace std::string_literals;
    const std::string frames = "00000008SKHL\x01\x00\xFF."s;
    const std::tuple<std::string, SubmissionFlags, std::string> cases[] = {
        {recordBody('P', "1", "PICT", "ANI") + frames, hasAnimation | hasTimelapse, "SKHL\x01\x00\xFF."s},
        {recordBody('P', "1", "PICT", "ANI") + frames + "more", hasAnimation | hasTimelapse, "SKHL\x01\x00\xFF."s},
        {recordBody('S', "1", "PICT", "ANI") + frames, hasAnimation | isSpch, ""},
        {recordBody('P', "0", "PICT") + frames, 0, ""},
        {recordBody('P', "1", "PICT", "ANI") + "00000008SKHV\x01\x00\xFF."s, hasAnimation, ""},
        {recordBody('P', "1", "PICT", "ANI") + "00000009SKHL\x01\x00\xFF."s, hasAnimation, ""},  // cut short
        {recordBody('P', "1", "PICT", "ANI") + "00000003SKH", hasAnimation, ""},
        {recordBody('P', "1", "PICT", "ANI") + "-0000008SKHL\x01\x00\xFF."s, hasAnimation, ""},
    };
    for (const auto& [body, flags, section] : cases) {
        TempFolder folder;
        folder.write("_post.dat", body);
        SubmissionFlags got = 0;
        ASSERT_TRUE(decodeSubmission(got));
        EXPECT_EQ(got, flags) << body;
        EXPECT_EQ(folder.exists("_tmplapse.dat") ? folder.read("_tmplapse.dat") : "", section) << body;
    }
}
