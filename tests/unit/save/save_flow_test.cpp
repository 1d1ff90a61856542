#include "save/save_flow.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/settings.h"
#include "save/native_asker.h"
#include "tests/support/temp_folder.h"
#include "tests/unit/image/oracle.h"
#include "tests/unit/save/save_test_support.h"
#ifndef _WIN32
#include "platform/posix/scripted_answers.h"
#endif

using savetest::ScriptedAsker;

namespace {

// The program folder of one test: the body, the settings of a fresh set.ini
// (save into this folder as 000) and the flow with a scripted asker.
class SaveFlowTest : public ::testing::Test {
protected:
    SaveFlowTest() {
        settings.saveDir.assign(folder.path().string().c_str());
        settings.saveFile.assign("000");
        settings.OptionFlag = 0x16;  // picture, thumbnail off, animation; no question
        settings.SaveType = formatPng;
        settings.JPEGSave = 0x8055;
        settings.ThumType = formatPng;
        settings.ThumComp = 0x8055;
        settings.ThumWPers = 50;
        settings.ThumHPers = 50;
        settings.ColorTP = 0xFFFFFF;
    }

    void post(const std::string& body) { folder.write("_post.dat", body); }

    bool save() {
        result.clear();
        bool ok = flow.saveSubmission(result);
        std::filesystem::current_path(folder.path());  // as the server does after the flow
        return ok;
    }

    // What the result text says of these files, sizes as found on disk.
    std::string linesFor(std::initializer_list<std::string> names) const {
        std::string text;
        for (const std::string& name : names) {
            char size[64];
            std::snprintf(size, sizeof size, " (%.2fKB)\r\n", static_cast<double>(std::filesystem::file_size(folder.path() / name)) / 1024.0);
            text += name + size;
        }
        return text;
    }

    TempFolder folder;
    Settings settings;
    ScriptedAsker asker;
    SaveFlow flow{settings, asker};
    TextBuffer result{511};
};

std::string ihdrOf(const std::string& file) {
    std::vector<pngfiles::Chunk> chunks = pngfiles::chunksOf(file);
    const pngfiles::Chunk* ihdr = pngfiles::find(chunks, "IHDR");
    return ihdr ? ihdr->data : std::string(13, '\0');
}

int pngColourType(const std::string& file) { return static_cast<uint8_t>(ihdrOf(file).at(9)); }

std::pair<uint32_t, uint32_t> pngSize(const std::string& file) {
    std::string h = ihdrOf(file);
    return {pictures::bigEndian32(h, 0), pictures::bigEndian32(h, 4)};
}

bool hasChunk(const std::string& file, const char* type) {
    std::vector<pngfiles::Chunk> chunks = pngfiles::chunksOf(file);
    return pngfiles::find(chunks, type) != nullptr;
}

// The start-of-frame marker of a JPEG (0xC0 baseline, 0xC2 progressive) and
// the size it gives; marker 0 when none is found.
struct JpegFrame {
    int marker = 0;
    uint32_t width = 0, height = 0;
};

JpegFrame jpegFrameOf(const std::string& f) {
    JpegFrame frame;
    for (size_t at = 2; at + 9 < f.size();) {
        if (static_cast<uint8_t>(f[at]) != 0xFF) break;
        int marker = static_cast<uint8_t>(f[at + 1]);
        uint32_t length = static_cast<uint32_t>(static_cast<uint8_t>(f[at + 2])) << 8 | static_cast<uint8_t>(f[at + 3]);
        if (marker == 0xC0 || marker == 0xC2) {
            frame.marker = marker;
            frame.height = static_cast<uint32_t>(static_cast<uint8_t>(f[at + 5])) << 8 | static_cast<uint8_t>(f[at + 6]);
            frame.width = static_cast<uint32_t>(static_cast<uint8_t>(f[at + 7])) << 8 | static_cast<uint8_t>(f[at + 8]);
            return frame;
        }
        at += 2 + length;
    }
    return frame;
}

}  // namespace

TEST_F(SaveFlowTest, DefaultsWithAPchAnimationWritePictureAndRecord) {
    settings.OptionFlag = 0x17;
    post(savetest::recordBody('P', savetest::pngPicture(40, 30), "PCH record bytes"));
    ASSERT_TRUE(save());
    EXPECT_EQ(std::string(result.text()), linesFor({"000.png", "000.pch"}));
    EXPECT_EQ(folder.read("000.pch"), "PCH record bytes");
    EXPECT_EQ(pngSize(folder.read("000.png")), std::make_pair(40u, 30u));
    EXPECT_TRUE(asker.questions.empty());
}

TEST_F(SaveFlowTest, SpchRecordTakesItsOwnExtension) {
    post(savetest::recordBody('S', savetest::pngPicture(8, 8), "SPCH"));
    ASSERT_TRUE(save());
    EXPECT_EQ(std::string(result.text()), linesFor({"000.png", "000.spch"}));
    EXPECT_EQ(folder.read("000.spch"), "SPCH");
    EXPECT_FALSE(folder.exists("000.pch"));
}

TEST_F(SaveFlowTest, SubmissionWithoutAnimationNeverWritesARecord) {
    folder.write("_tmppch.dat", "record of an earlier drawing");
    post(savetest::recordBody('P', savetest::pngPicture(8, 8)));
    ASSERT_TRUE(save());
    EXPECT_EQ(std::string(result.text()), linesFor({"000.png"}));
    EXPECT_FALSE(folder.exists("000.pch"));
    EXPECT_EQ(asker.offered.optionBits & SaveChoices::carriesAnimation, 0);
}

TEST_F(SaveFlowTest, RawFormPictureIsSavedToo) {
    post("JUNJI.GIF\r\n" + savetest::pngPicture(9, 4));
    ASSERT_TRUE(save());
    EXPECT_EQ(std::string(result.text()), linesFor({"000.png"}));
}

TEST_F(SaveFlowTest, ChoicesAreFilledFromSettings) {
    settings.OptionFlag = 0x1C;
    settings.SaveType = formatJpeg;
    settings.JPEGSave = 0x0042;
    settings.ThumType = formatBmp;
    settings.ThumComp = 0x8010;
    settings.ThumWPers = 65535;
    settings.ThumHPers = 7;
    settings.ColorTP = static_cast<int32_t>(0x80123456);
    asker.accept = false;
    post(savetest::recordBody('S', savetest::pngPicture(21, 13), "A"));
    EXPECT_FALSE(save());
    const SaveChoices& c = asker.offered;
    EXPECT_EQ(c.optionBits, SaveChoices::savePicture | SaveChoices::saveThumbnail | SaveChoices::saveAnimation |
                                SaveChoices::carriesAnimation);
    EXPECT_EQ(c.saveType, formatJpeg);
    EXPECT_EQ(c.jpegSetting, 0x0042);
    EXPECT_EQ(c.thumbType, formatBmp);
    EXPECT_EQ(c.thumbSetting, 0x8010);
    EXPECT_EQ(c.thumbWidthPercent, 65535);  // widened without sign
    EXPECT_EQ(c.thumbHeightPercent, 7);
    EXPECT_EQ(c.transparentColour, 0x80123456u);
    EXPECT_EQ(asker.pictureWidth, 21);
    EXPECT_EQ(asker.pictureHeight, 13);
}

TEST_F(SaveFlowTest, AcceptedChoicesAreKeptInSettings) {
    settings.OptionFlag = 0x23;  // question, progress bar and an unknown bit stay
    asker.edit = [](SaveChoices& c) {
        c.optionBits = SaveChoices::savePicture | SaveChoices::saveAnimation;
        c.saveType = formatBmp;
        c.jpegSetting = 0x0033;
        c.thumbType = formatJpeg;
        c.thumbSetting = 0x0020;
        c.thumbWidthPercent = 0x10005;  // only the low 16 bits are kept
        c.thumbHeightPercent = 30;
        c.transparentColour = 0x800000FF;
    };
    post(savetest::recordBody('P', savetest::pngPicture(8, 8)));
    ASSERT_TRUE(save());
    EXPECT_EQ(settings.OptionFlag, 0x23 | 0x4 | 0x10);
    EXPECT_EQ(settings.SaveType, formatBmp);
    EXPECT_EQ(settings.JPEGSave, 0x0033);
    EXPECT_EQ(settings.ThumType, formatJpeg);
    EXPECT_EQ(settings.ThumComp, 0x0020);
    EXPECT_EQ(settings.ThumWPers, 5);
    EXPECT_EQ(settings.ThumHPers, 30);
    EXPECT_EQ(static_cast<uint32_t>(settings.ColorTP), 0x800000FFu);
    EXPECT_EQ(std::string(result.text()), linesFor({"000.bmp"}));
}

TEST_F(SaveFlowTest, CancelledDialogWritesNothingAndKeepsTheSettings) {
    asker.accept = false;
    asker.edit = [](SaveChoices& c) { c.saveType = formatGif; };
    post(savetest::recordBody('P', savetest::pngPicture(8, 8), "A"));
    EXPECT_FALSE(save());
    EXPECT_EQ(settings.SaveType, formatPng);
    EXPECT_FALSE(folder.exists("000.png"));
    EXPECT_FALSE(folder.exists("000.pch"));
    EXPECT_TRUE(result.isEmpty());
}

TEST_F(SaveFlowTest, MissingBodyAsksNothing) {
    EXPECT_FALSE(save());
    EXPECT_EQ(asker.chooseCalls, 0);
}

TEST_F(SaveFlowTest, PictureThatIsNotPngFailsBeforeAnyQuestion) {
    settings.OptionFlag = 0x1F;
    folder.write("000.png", "older picture");
    for (const std::string& picture : {std::string("GIF89a not a png"), std::string(), savetest::pngPicture(8, 8).substr(0, 60)}) {
        post(savetest::recordBody('S', picture, "A"));
        EXPECT_FALSE(save());
        EXPECT_EQ(asker.chooseCalls, 0);
        EXPECT_TRUE(asker.questions.empty());
        EXPECT_EQ(folder.read("000.png"), "older picture");
        EXPECT_FALSE(folder.exists("000.spch"));
        EXPECT_FALSE(folder.exists("s_000.png"));
    }
}

TEST_F(SaveFlowTest, NothingChosenRunsToTheEndWithAnEmptyText) {
    settings.OptionFlag = 0x1;
    post(savetest::recordBody('P', savetest::pngPicture(8, 8), "A"));
    EXPECT_TRUE(save());
    EXPECT_TRUE(result.isEmpty());
    EXPECT_FALSE(folder.exists("000.png"));
}

TEST_F(SaveFlowTest, OverwriteQuestionListsTheExistingNamesInOrder) {
    settings.OptionFlag = 0x1F;
    settings.ThumType = formatJpeg;
    folder.write("000.spch", "old record");
    folder.write("s_000.jpg", "old thumbnail");
    folder.write("000.png", "old picture");
    post(savetest::recordBody('S', savetest::pngPicture(8, 8), "new record"));
    EXPECT_FALSE(save());
    ASSERT_EQ(asker.questions.size(), 1u);
    EXPECT_EQ(asker.questions[0], "000.png\ns_000.jpg\n000.spch\n\nファイルが存在します。上書きしますか？");
    EXPECT_EQ(folder.read("000.png"), "old picture");
    EXPECT_EQ(folder.read("s_000.jpg"), "old thumbnail");
    EXPECT_EQ(folder.read("000.spch"), "old record");
    EXPECT_TRUE(result.isEmpty());
}

TEST_F(SaveFlowTest, OverwriteQuestionOnlyNamesWhatWouldBeWritten) {
    settings.OptionFlag = 0x15;  // picture and animation, no thumbnail
    folder.write("s_000.png", "old thumbnail");
    folder.write("000.pch", "old record");
    post(savetest::recordBody('P', savetest::pngPicture(8, 8)));  // no animation
    EXPECT_TRUE(save());
    EXPECT_TRUE(asker.questions.empty());

    folder.write("000.png", "old picture");
    EXPECT_FALSE(save());
    ASSERT_EQ(asker.questions.size(), 1u);
    EXPECT_EQ(asker.questions[0], "000.png\n\nファイルが存在します。上書きしますか？");
}

TEST_F(SaveFlowTest, OverwriteAnsweredYesReplaces) {
    settings.OptionFlag = 0x15;
    asker.overwrite = true;
    folder.write("000.png", "old picture");
    post(savetest::recordBody('P', savetest::pngPicture(8, 8), "A"));
    ASSERT_TRUE(save());
    EXPECT_EQ(asker.questions.size(), 1u);
    EXPECT_EQ(pngSize(folder.read("000.png")), std::make_pair(8u, 8u));
    EXPECT_EQ(std::string(result.text()), linesFor({"000.png", "000.pch"}));
}

TEST_F(SaveFlowTest, WithoutTheQuestionExistingFilesAreReplaced) {
    folder.write("000.png", "old picture");
    post(savetest::recordBody('P', savetest::pngPicture(8, 8)));
    ASSERT_TRUE(save());
    EXPECT_TRUE(asker.questions.empty());
    EXPECT_EQ(pngSize(folder.read("000.png")), std::make_pair(8u, 8u));
}

TEST_F(SaveFlowTest, PictureIsWrittenInTheChosenFormat) {
    const std::string picture = savetest::pngPicture(3, 2);
    settings.OptionFlag = 0x4;

    settings.SaveType = formatBmp;
    post(savetest::recordBody('P', picture));
    ASSERT_TRUE(save());
    std::string bmp = folder.read("000.bmp");
    EXPECT_EQ(bmp.size(), 78u);  // 54 + a stride of 12 × 2 rows
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(pictures::littleEndian(bmp, 18, 4), 3u);
    EXPECT_EQ(pictures::littleEndian(bmp, 22, 4), 2u);
    EXPECT_EQ(std::string(result.text()), linesFor({"000.bmp"}));

    settings.SaveType = formatJpeg;
    settings.JPEGSave = 0x8050;
    ASSERT_TRUE(save());
    JpegFrame progressive = jpegFrameOf(folder.read("000.jpg"));
    EXPECT_EQ(progressive.marker, 0xC2);
    EXPECT_EQ(progressive.width, 3u);
    settings.JPEGSave = 0x0050;
    ASSERT_TRUE(save());
    EXPECT_EQ(jpegFrameOf(folder.read("000.jpg")).marker, 0xC0);

    settings.SaveType = formatGif;
    ASSERT_TRUE(save());
    std::string gif = folder.read("000.gif");
    EXPECT_EQ(gif.substr(0, 6), "GIF89a");
    EXPECT_EQ(pictures::littleEndian(gif, 6, 2), 3u);
    EXPECT_EQ(std::string(result.text()), linesFor({"000.gif"}));
}

TEST_F(SaveFlowTest, PngIsIndexedUpTo256ColoursAndTrueColourAbove) {
    settings.OptionFlag = 0x4;
    post(savetest::recordBody('P', savetest::pngPicture(20, 15, 256)));
    ASSERT_TRUE(save());
    EXPECT_EQ(pngColourType(folder.read("000.png")), 3);
    post(savetest::recordBody('P', savetest::pngPicture(20, 15, 300)));
    ASSERT_TRUE(save());
    EXPECT_EQ(pngColourType(folder.read("000.png")), 2);
}

TEST_F(SaveFlowTest, TransparentColourGoesToThePictureOnly) {
    settings.OptionFlag = 0xC;
    settings.ColorTP = static_cast<int32_t>(0x80000000);  // black, the first colour of the picture
    post(savetest::recordBody('P', savetest::pngPicture(10, 10, 5)));
    ASSERT_TRUE(save());
    EXPECT_TRUE(hasChunk(folder.read("000.png"), "tRNS"));
    EXPECT_FALSE(hasChunk(folder.read("s_000.png"), "tRNS"));

    settings.ColorTP = 0;
    ASSERT_TRUE(save());
    EXPECT_FALSE(hasChunk(folder.read("000.png"), "tRNS"));
}

TEST_F(SaveFlowTest, ThumbnailHasExactlyTheChosenSizeInEachFormat) {
    settings.OptionFlag = 0x8;
    asker.edit = [](SaveChoices& c) {
        c.thumbWidth = 37;
        c.thumbHeight = 5;
    };
    post(savetest::recordBody('P', savetest::pngPicture(80, 60)));

    settings.ThumType = formatPng;
    ASSERT_TRUE(save());
    EXPECT_EQ(pngSize(folder.read("s_000.png")), std::make_pair(37u, 5u));
    EXPECT_EQ(std::string(result.text()), linesFor({"s_000.png"}));

    settings.ThumType = formatBmp;
    ASSERT_TRUE(save());
    std::string bmp = folder.read("s_000.bmp");
    EXPECT_EQ(pictures::littleEndian(bmp, 18, 4), 37u);
    EXPECT_EQ(pictures::littleEndian(bmp, 22, 4), 5u);

    settings.ThumType = formatJpeg;
    settings.ThumComp = 0x0030;
    ASSERT_TRUE(save());
    JpegFrame frame = jpegFrameOf(folder.read("s_000.jpg"));
    EXPECT_EQ(frame.marker, 0xC0);
    EXPECT_EQ(frame.width, 37u);
    EXPECT_EQ(frame.height, 5u);
    EXPECT_EQ(std::string(result.text()), linesFor({"s_000.jpg"}));
}

TEST_F(SaveFlowTest, FormatNumbersWithoutAWriterWriteAndListNothing) {
    settings.OptionFlag = 0xC;
    settings.SaveType = 4;
    settings.ThumType = formatGif;
    post(savetest::recordBody('P', savetest::pngPicture(8, 8)));
    EXPECT_TRUE(save());
    EXPECT_TRUE(result.isEmpty());
    settings.SaveType = 0xFFFF;
    settings.ThumType = 0xFFFF;
    EXPECT_TRUE(save());
    EXPECT_TRUE(result.isEmpty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);  // _post.dat, _tmppng.dat
}

TEST_F(SaveFlowTest, FileThatCannotBeWrittenIsLeftOutOfTheText) {
    std::filesystem::create_directory(folder.path() / "000.png");
    post(savetest::recordBody('P', savetest::pngPicture(8, 8), "A"));
    ASSERT_TRUE(save());
    EXPECT_EQ(std::string(result.text()), linesFor({"000.pch"}));
}

TEST_F(SaveFlowTest, SaveFolderGivenByBareNameIsMadeCurrent) {
    std::filesystem::create_directory(folder.path() / "drawings");
    settings.saveDir.assign("drawings");
    post(savetest::recordBody('S', savetest::pngPicture(8, 8), "A"));
    ASSERT_TRUE(save());
    EXPECT_TRUE(folder.exists("drawings/000.png"));
    EXPECT_EQ(folder.read("drawings/000.spch"), "A");
    EXPECT_FALSE(folder.exists("000.png"));
}

TEST_F(SaveFlowTest, SaveFolderThatVanishedWritesNothingAnywhere) {
    settings.OptionFlag = 0x1F;
    settings.saveDir.assign("vanished");
    post(savetest::recordBody('S', savetest::pngPicture(8, 8), "A"));
    EXPECT_FALSE(save());
    EXPECT_EQ(asker.chooseCalls, 1);
    EXPECT_TRUE(asker.questions.empty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 3);  // the temporary files
}

#ifndef _WIN32
TEST_F(SaveFlowTest, BareDriveMeansItsRoot) {
    // Natively D:\ is the folder "D:" of the current folder, which shows
    // that the separator was added.
    std::filesystem::create_directory(folder.path() / "D:");
    settings.saveDir.assign("D:");
    post(savetest::recordBody('P', savetest::pngPicture(8, 8)));
    ASSERT_TRUE(save());
    EXPECT_TRUE(folder.exists("D:/000.png"));
}

TEST_F(SaveFlowTest, SavedPicturesDecodeToTheSubmittedPixels) {
    const std::string picture = savetest::pngPicture(13, 7, 200);
    folder.write("input.png", picture);
    settings.OptionFlag = 0x4;
    post(savetest::recordBody('P', picture));
    for (uint16_t format : {formatBmp, formatPng, formatGif}) {
        settings.SaveType = format;
        ASSERT_TRUE(save());
    }
    std::string expected = oracle::magickRgb(folder.file("input.png"));
    ASSERT_FALSE(expected.empty());
    for (const char* name : {"000.bmp", "000.png", "000.gif"})
        EXPECT_EQ(oracle::magickRgb(folder.file(name)), expected) << name;
}
#endif

// ---- The native program's answers ------------------------------------------

class NativeAskerTest : public SaveFlowTest {
protected:
    NativeAsker native{settings};
    SaveFlow nativeFlow{settings, native};

    bool saveNatively() {
        result.clear();
        bool ok = nativeFlow.saveSubmission(result);
        std::filesystem::current_path(folder.path());
        return ok;
    }
};

TEST_F(NativeAskerTest, ThumbnailSizeComesFromThePercentages) {
    settings.OptionFlag = 0x8;
    post(savetest::recordBody('P', savetest::pngPicture(400, 300)));
    ASSERT_TRUE(saveNatively());
    EXPECT_EQ(pngSize(folder.read("s_000.png")), std::make_pair(200u, 150u));

    settings.ThumWPers = 1;
    settings.ThumHPers = 33;
    post(savetest::recordBody('P', savetest::pngPicture(50, 50)));
    ASSERT_TRUE(saveNatively());
    EXPECT_EQ(pngSize(folder.read("s_001.png")), std::make_pair(1u, 16u));

    settings.ThumWPers = 0;
    settings.ThumHPers = 150;
    ASSERT_TRUE(saveNatively());
    EXPECT_EQ(pngSize(folder.read("s_002.png")), std::make_pair(1u, 75u));
}

TEST_F(NativeAskerTest, StoredGifBecomesPngAbove256Colours) {
    settings.OptionFlag = 0x4;
    settings.SaveType = formatGif;
    post(savetest::recordBody('P', savetest::pngPicture(20, 15, 300)));
    ASSERT_TRUE(saveNatively());
    EXPECT_EQ(std::string(result.text()), linesFor({"000.png"}));
    EXPECT_FALSE(folder.exists("000.gif"));
    EXPECT_EQ(settings.SaveType, formatPng);

    settings.SaveType = formatGif;
    post(savetest::recordBody('P', savetest::pngPicture(20, 15, 256)));
    ASSERT_TRUE(saveNatively());
    EXPECT_EQ(std::string(result.text()), linesFor({"000.gif"}));
    EXPECT_EQ(settings.SaveType, formatGif);
}

TEST_F(NativeAskerTest, QualityIsKeptWithinOneToHundred) {
    struct Case {
        uint16_t stored, kept;
    };
    for (Case c : {Case{0x8055, 0x8055}, Case{0x8000, 0x8001}, Case{0x0000, 0x0001}, Case{0x00C8, 0x0064},
                   Case{0x7F64, 0x0064}, Case{0x0001, 0x0001}}) {
        settings.OptionFlag = 0x4;
        settings.SaveType = formatJpeg;
        settings.JPEGSave = c.stored;
        post(savetest::recordBody('P', savetest::pngPicture(8, 8)));
        ASSERT_TRUE(saveNatively());
        EXPECT_EQ(settings.JPEGSave, c.kept) << std::hex << c.stored;
    }
}

TEST_F(NativeAskerTest, TransparentColourKeepsOnlyColourAndSwitch) {
    settings.ColorTP = static_cast<int32_t>(0xFF123456);
    post(savetest::recordBody('P', savetest::pngPicture(8, 8)));
    ASSERT_TRUE(saveNatively());
    EXPECT_EQ(static_cast<uint32_t>(settings.ColorTP), 0x80123456u);
}

TEST_F(NativeAskerTest, ATakenNameGetsTheNextFreeNumberAndIsKept) {
    settings.OptionFlag = 0x1C;  // picture, thumbnail and record; no overwrite question
    folder.write("000.spch", "old record");
    folder.write("s_001.png", "old thumbnail");
    post(savetest::recordBody('P', savetest::pngPicture(8, 8), "new record"));
    ASSERT_TRUE(saveNatively());
    EXPECT_EQ(std::string(result.text()), linesFor({"002.png", "s_002.png", "002.pch"}));
    EXPECT_EQ(folder.read("000.spch"), "old record");
    EXPECT_EQ(folder.read("s_001.png"), "old thumbnail");
    EXPECT_EQ(std::string(settings.saveFile.text()), "002");
    settings.OptionFlag = 0x4;  // a record not written does not take the name
    folder.write("003.pch", "");
    ASSERT_TRUE(saveNatively());
    EXPECT_EQ(std::string(result.text()), linesFor({"003.png"}));
}

TEST(NextFileName, CountsUpTheTrailingDigitsOrAddsOne) {
    struct Case {
        const char* name;
        const char* next;
    };
    for (Case c : {Case{"000", "001"}, Case{"009", "010"}, Case{"a09", "a10"}, Case{"99", "100"},
                   Case{"pic", "pic1"}, Case{"pic9", "pic10"}, Case{"2024-12-31", "2024-12-32"},
                   Case{"絵", "絵1"}, Case{"ソ5", "ソ6"}}) {
        TextBuffer next;
        nextFileName(c.name, next);
        EXPECT_STREQ(next.text(), c.next) << c.name;
    }
}

TEST_F(NativeAskerTest, EmptyFolderOrFileNameIsRefused) {
    post(savetest::recordBody('P', savetest::pngPicture(8, 8)));
    settings.saveFile.clear();
    EXPECT_FALSE(saveNatively());
    settings.saveFile.assign("000");
    settings.saveDir.clear();
    EXPECT_FALSE(saveNatively());
    EXPECT_FALSE(folder.exists("000.png"));
}

#ifndef _WIN32
TEST_F(NativeAskerTest, InvalidFileNameIsRefusedWithTheFileNameWarning) {
    platform::posix::takeShownBoxes();
    post(savetest::recordBody('P', savetest::pngPicture(8, 8)));
    settings.saveFile.assign("a,b");
    EXPECT_FALSE(saveNatively());
    EXPECT_EQ(platform::posix::takeShownBoxes().size(), 1u);
    settings.saveFile.assign("..\\up");
    EXPECT_FALSE(saveNatively());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);
}
#endif
