// The save flow's decisions that the program's end-to-end tests cannot reach
// cheaply: the dialog's answers, refusals, the overwrite question, outputs that
// cannot be written or fail, and the native program's own answers.
#include "save/save_flow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/settings.h"
#include "save/native_asker.h"
#include "save/picture_files.h"
#include "save/save_choices.h"
#include "tests/support/temp_folder.h"
#include "tests/unit/save/save_test_support.h"
#ifndef _WIN32
#include "platform/posix/scripted_answers.h"
#endif

using savetest::recordBody;

namespace {

// Answers as scripted, after learning from the picture as a dialog does; records the questions.
class ScriptedAsker : public SaveAsker {
public:
    bool accept = true;
    bool overwrite = false;
    std::function<void(SaveChoices&)> edit;  // the user's changes, before accepting
    std::vector<std::string> questions;

    bool chooseSave(SaveChoices& choices, const RasterImage& picture) override {
        adaptChoicesToPicture(choices, picture);
        if (edit) edit(choices);
        return accept;
    }
    bool confirmOverwrite(const char* text) override {
        questions.emplace_back(text);
        return overwrite;
    }
};

// The program folder of one test, which is also the save folder; the file
// name 000, the picture and the animation record chosen as PNG, no question.
class SaveFlowTest : public ::testing::Test {
protected:
    SaveFlowTest() {
        settings.saveDir.assign(folder.path().string().c_str());
        settings.saveFile.assign("000");
        settings.OptionFlag = 0x14;
        settings.SaveType = formatPng;
        settings.ThumType = formatPng;
        RasterImage image;
        if (image.create(8, 8) && savePng(image, "_picture.png", -1)) picture = folder.read("_picture.png");
        std::filesystem::remove(folder.path() / "_picture.png");
    }

    void post(const std::string& body) { folder.write("_post.dat", body); }
    bool save(SaveFlow& with) {
        result.clear();
        bool ok = with.saveSubmission(result);
        std::filesystem::current_path(folder.path());  // as the server does after the flow
        return ok;
    }
    bool save() { return save(flow); }
    bool saveNatively() { return save(nativeFlow); }

    // The names the result lists, each with a blank (the sizes are the end-to-end tests' part).
    std::string written() const {
        std::string text = result.text(), names;
        for (size_t at = 0, end; (end = text.find(" (", at)) != std::string::npos; at = text.find("\r\n", end) + 2)
            names += text.substr(at, end - at) + " ";
        return names;
    }
    size_t filesInFolder() const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder.path()), {}));
    }

    TempFolder folder;
    std::string picture;  // a PNG file
    Settings settings;
    ScriptedAsker asker;
    SaveFlow flow{settings, asker};
    NativeAsker native{settings};
    SaveFlow nativeFlow{settings, native};
    TextBuffer result{511};
};

}  // namespace

TEST_F(SaveFlowTest, ACancelledDialogKeepsNothingAndAnAcceptedOneIsKeptInSettings) {
    settings.OptionFlag = 0x23;  // question, progress bar and an unknown bit stay
    asker.edit = [](SaveChoices& c) {
        c.optionBits = SaveChoices::savePicture | SaveChoices::saveAnimation;
        c.saveType = formatBmp;
        c.thumbWidthPercent = 0x10005;  // only the low 16 bits are kept
        c.transparentColour = 0x800000FF;
    };
    // No animation in this body: the record of an earlier one is not saved.
    folder.write("_tmppch.dat", "record of an earlier drawing");
    post(recordBody('P', "0", picture));
    asker.accept = false;
    EXPECT_FALSE(save());
    EXPECT_EQ(settings.SaveType, formatPng);
    EXPECT_EQ(filesInFolder(), 3u);  // the body and the two parts
    asker.accept = true;
    ASSERT_TRUE(save());
    EXPECT_EQ(written(), "000.bmp ");
    EXPECT_EQ(settings.OptionFlag, 0x23 | 0x4 | 0x10);
    EXPECT_EQ(settings.SaveType, formatBmp);
    EXPECT_EQ(settings.ThumWPers, 5);
    EXPECT_EQ(static_cast<uint32_t>(settings.ColorTP), 0x800000FFu);
}

TEST_F(SaveFlowTest, WithoutAReadablePictureNothingIsAskedOrTouched) {
    settings.OptionFlag = 0x1F;
    asker.edit = [](SaveChoices&) { FAIL() << "asked"; };
    folder.write("000.png", "older picture");
    EXPECT_FALSE(save());  // no body at all
    for (const std::string& cut : {std::string("GIF89a not a png"), std::string(), picture.substr(0, 40)}) {
        post(recordBody('S', "1", cut, "A"));
        EXPECT_FALSE(save());
    }
    EXPECT_EQ(folder.read("000.png"), "older picture");
    EXPECT_FALSE(folder.exists("000.spch"));
}

// The answers' effect on the files is the Windows end-to-end tests' part.
TEST_F(SaveFlowTest, TheOverwriteQuestionNamesWhatWouldBeReplaced) {
    settings.OptionFlag = 0x1F;
    settings.ThumType = formatJpeg;
    for (const char* name : {"000.spch", "s_000.jpg", "000.png", "000.pch", "s_000.png"}) folder.write(name, "old");
    post(recordBody('S', "1", picture, "new record"));
    EXPECT_FALSE(save());
    EXPECT_EQ(asker.questions, std::vector<std::string>{"000.png\ns_000.jpg\n000.spch\n\nファイルが存在します。上書きしますか？"});
    EXPECT_EQ(folder.read("000.png"), "old");
    asker.overwrite = true;
    ASSERT_TRUE(save());
    EXPECT_EQ(written(), "000.png s_000.jpg 000.spch ");
    settings.OptionFlag = 0x1E;  // without the question the files are replaced too
    ASSERT_TRUE(save());
    EXPECT_EQ(asker.questions.size(), 2u);
    EXPECT_EQ(written(), "000.png s_000.jpg 000.spch ");
}

TEST_F(SaveFlowTest, OutputsThatCannotBeWrittenAreLeftOutOfTheText) {
    settings.OptionFlag = 0x1C;
    settings.SaveType = 4;          // no such format
    settings.ThumType = formatGif;  // no thumbnail writer
    post(recordBody('P', "1", picture, "A"));
    ASSERT_TRUE(save());
    EXPECT_EQ(written(), "000.pch ");
    EXPECT_EQ(filesInFolder(), 4u);  // and the body and the two parts
    settings.SaveType = formatPng;
    std::filesystem::create_directory(folder.path() / "000.png");
    ASSERT_TRUE(save());
    EXPECT_EQ(written(), "000.pch ");
}

TEST_F(SaveFlowTest, ASaveFolderThatVanishedWritesNothingAnywhere) {
    settings.OptionFlag = 0x1F;
    settings.saveDir.assign("vanished");
    post(recordBody('S', "1", picture, "A"));
    EXPECT_FALSE(save());
    EXPECT_TRUE(asker.questions.empty());
    EXPECT_EQ(filesInFolder(), 3u);  // the body and the two parts
}

#ifndef _WIN32
TEST_F(SaveFlowTest, ABareDriveMeansItsRoot) {
    // Natively "D:\" is the folder "D:" of the current folder: the separator was added.
    std::filesystem::create_directory(folder.path() / "D:");
    settings.saveDir.assign("D:");
    post(recordBody('P', "0", picture));
    ASSERT_TRUE(save());
    EXPECT_TRUE(folder.exists("D:/000.png"));
}
#endif

// ---- The native program's answers ------------------------------------------

TEST_F(SaveFlowTest, TheNativeAnswerTakesTheFirstNameFreeForEveryOutput) {
    settings.OptionFlag = 0x1C;
    folder.write("000.spch", "old record");
    folder.write("s_001.png", "old thumbnail");
    post(recordBody('P', "1", picture, "new record"));
    ASSERT_TRUE(saveNatively());
    EXPECT_EQ(written(), "002.png s_002.png 002.pch ");
    EXPECT_EQ(folder.read("000.spch"), "old record");
    EXPECT_STREQ(settings.saveFile.text(), "002");
    settings.OptionFlag = 0x4;  // a record not written does not take the name
    folder.write("003.pch", "");
    ASSERT_TRUE(saveNatively());
    EXPECT_EQ(written(), "003.png ");
}

TEST(NextFileName, CountsUpTheTrailingDigitsOrAddsOne) {
    for (auto [name, next] : {std::pair<const char*, const char*>{"000", "001"}, {"009", "010"}, {"a09", "a10"},
                              {"99", "100"}, {"pic", "pic1"}, {"pic9", "pic10"}, {"2024-12-31", "2024-12-32"},
                              {"絵", "絵1"}, {"ソ5", "ソ6"}}) {
        TextBuffer text;
        nextFileName(name, text);
        EXPECT_STREQ(text.text(), next) << name;
    }
}

TEST_F(SaveFlowTest, TheNativeAnswerRefusesAnEmptyFolderOrAMissingOrInvalidName) {
    post(recordBody('P', "0", picture));
    const std::string here = folder.path().string();
    for (auto [saveDir, saveFile] : {std::pair<std::string, const char*>{"", "000"}, {here, ""}}) {
        settings.saveDir.assign(saveDir.c_str());
        settings.saveFile.assign(saveFile);
        EXPECT_FALSE(saveNatively()) << saveDir << saveFile;
    }
#ifndef _WIN32  // where the file name warning would wait for a click
    settings.saveFile.assign("a,b");
    EXPECT_FALSE(saveNatively());
    EXPECT_EQ(platform::posix::takeShownBoxes().size(), 1u);
#endif
    EXPECT_EQ(filesInFolder(), 2u);  // the body and the picture part
}

// Timelapse frames that do not read (here a section cut after its header) write
// no timelapse and say so; the picture and the record are saved as always.
TEST_F(SaveFlowTest, FramesThatDoNotReadCostOnlyTheTimelapse) {
    settings.Timelapse = timelapseGif | timelapseApng;
    const std::string section = std::string("SKHL\x01\x00\x10\x00\x10\x00\x02\x00", 12) + std::string(4, '\0');
    post(recordBody('P', "1", picture, "SKHV record") + "00000016" + section);
    ASSERT_TRUE(save());
    EXPECT_EQ(written(), "000.png 000.pch ");
    EXPECT_NE(std::string(result.text()).find("タイムラプス"), std::string::npos);
    EXPECT_FALSE(folder.exists("000_timelapse.gif") || folder.exists("000_timelapse.png"));
}
