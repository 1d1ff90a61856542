#include "pages/gallery_thumbnail.h"

#include "app/program_folder.h"
#include "app/text_buffer.h"
#include "image/png_writer.h"
#include "image/raster_image.h"
#include "image/resample.h"
#include "pages/gallery.h"

namespace {

bool makeThumbnail(const TextBuffer& path, std::string& bytes) {
    RasterImage picture;
    if (!picture.loadAny(path.text())) return false;
    int32_t width = 0, height = 0;
    galleryThumbnailSize(picture.width(), picture.height(), width, height);
    RasterImage scaled;
    const RasterImage* shown = &picture;
    if (width != picture.width() || height != picture.height()) {
        resample(picture, scaled, width, height);
        if (scaled.isEmpty()) return false;
        shown = &scaled;
    }
    PngRaster raster;
    return preparePng(*shown, raster, 24, nullptr, 0) && encodePng(raster, pngLevelByPicture, bytes);
}

}  // namespace

void galleryThumbnailSize(int32_t width, int32_t height, int32_t& thumbnailWidth, int32_t& thumbnailHeight) {
    thumbnailWidth = width;
    thumbnailHeight = height;
    int32_t longer = width > height ? width : height;
    if (longer <= galleryThumbnailSide) return;
    // Rounded to the nearest pixel; 64 bits, since the sides reach 32767.
    auto scaledSide = [longer](int32_t side) {
        int32_t scaled = static_cast<int32_t>((int64_t{side} * galleryThumbnailSide + longer / 2) / longer);
        return scaled > 0 ? scaled : 1;
    };
    thumbnailWidth = scaledSide(width);
    thumbnailHeight = scaledSide(height);
}

bool galleryThumbnail(const char* folder, const char* name, std::string& bytes, const char*& contentType) {
    TextBuffer saved;
    if (gallerySavedThumbnailOf(folder, name, saved) && readGalleryFile(saved.text(), savedThumbnailLimit, bytes)) {
        contentType = galleryContentType(saved.text());
        return true;
    }
    TextBuffer path;
    folderFile(folder, name, path);
    contentType = "image/png";
    return makeThumbnail(path, bytes);
}
