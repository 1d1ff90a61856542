#include "program/gallery_routes.h"

#include <cstring>
#include <vector>

#include "app/program_folder.h"
#include "pages/drawing_page.h"
#include "pages/gallery_thumbnail.h"
#include "pages/painter_choice.h"
#include "pages/playback.h"

namespace {

// A thumbnail's address carries its picture's time, so the browser may keep
// what it got.
constexpr unsigned thumbnailKeptSeconds = 86400;
const char drawingPagePath[] = "/draw.html";
const char playbackPagePath[] = "/anim.html";
const char noProgramFolder[] = "プログラムのフォルダが分かりません。";
const char pageNotWritten[] = "ページを書き込めませんでした。";
const char noRecord[] = "この絵にはアニメーションの記録がありません。";

void showMessage(const char* text, GetResponse& response) {
    response.kind = GetResponse::Kind::content;
    writeGalleryMessage(text, response.body);
}

// The file's bytes as they are, of the type its extension names.
bool serveFile(const char* path, GetResponse& response) {
    response.contentType = galleryContentType(path);
    return response.contentType && readGalleryFile(path, galleryFileLimit, response.body);
}

void seeOther(const char* path, GetResponse& response) {
    response.kind = GetResponse::Kind::seeOther;
    response.location.assign(path);
}

}  // namespace

bool GalleryRoutes::handles(const char* path) const {
    return std::strcmp(path, galleryPagePath) == 0 ||
           std::strncmp(path, galleryAddressFolder, std::strlen(galleryAddressFolder)) == 0;
}

bool GalleryRoutes::answer(const char* path, const char* query, GetResponse& response) {
    const char* saveFolder = settings_.saveDir.text();
    if (std::strcmp(path, galleryPagePath) == 0) {
        std::vector<GalleryPicture> pictures;
        listGallery(saveFolder, pictures);
        writeGalleryPage(saveFolder, pictures, galleryPageFromQuery(query), response.body);
        return true;
    }
    TextBuffer name;
    GalleryPicture picture;
    if (!galleryNameFromQuery(query, name) || !findGalleryPicture(saveFolder, name.text(), picture)) return false;
    if (std::strcmp(path, galleryThumbnailPath) == 0) {
        response.maxAgeSeconds = thumbnailKeptSeconds;
        return galleryThumbnail(saveFolder, picture.name, response.body, response.contentType);
    }
    if (std::strcmp(path, galleryPicturePath) == 0) {
        TextBuffer file;
        folderFile(saveFolder, picture.name, file);
        return serveFile(file.text(), response);
    }
    if (std::strcmp(path, galleryTimelapsePath) == 0) {
        TextBuffer file;
        return galleryTimelapseOf(saveFolder, picture.name, file) && serveFile(file.text(), response);
    }
    if (std::strcmp(path, galleryContinuePath) == 0) {
        continueDrawing(saveFolder, picture, response);
        return true;
    }
    if (std::strcmp(path, galleryPlayPath) == 0) {
        play(saveFolder, picture, response);
        return true;
    }
    return false;
}

void GalleryRoutes::continueDrawing(const char* saveFolder, const GalleryPicture& picture, GetResponse& response) {
    TextBuffer folder(pathCapacity);
    if (!programFolder(folder)) return showMessage(noProgramFolder, response);
    DrawingSetup setup;
    if (readSetup_) readSetup_(setup);
    if (!galleryRecordOf(saveFolder, picture.name, setup.continuePath))
        folderFile(saveFolder, picture.name, setup.continuePath);
    followPictureToContinue(setup);
    PainterUse use;
    TextBuffer warning(longTextCapacity);
    if (!choosePainter(setup, folder.text(), use, warning)) return showMessage(warning.text(), response);
    if (!writeDrawingPage(setup, folder.text(), use)) return showMessage(pageNotWritten, response);
    seeOther(drawingPagePath, response);
}

void GalleryRoutes::play(const char* saveFolder, const GalleryPicture& picture, GetResponse& response) {
    TextBuffer folder(pathCapacity);
    if (!programFolder(folder)) return showMessage(noProgramFolder, response);
    TextBuffer record;
    if (!galleryRecordOf(saveFolder, picture.name, record)) return showMessage(noRecord, response);
    bool progress = (settings_.OptionFlag & optionPlaybackProgress) != 0;
    PainterUse player;
    TextBuffer warning(longTextCapacity);
    if (!preparePlayback(playbackRequestOf(record.text(), progress, settings_.Port), folder.text(), player, warning))
        return showMessage(warning.text(), response);
    seeOther(playbackPagePath, response);
}
