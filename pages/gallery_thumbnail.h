// The thumbnail a gallery picture shows: the one saved beside it, or one
// made from the picture in memory (nothing is written to the save folder).
#pragma once

#include <cstdint>
#include <string>

// The longer side of a made thumbnail at most.
constexpr int32_t galleryThumbnailSide = 160;
// A saved thumbnail larger than this is passed over for a made one.
constexpr uint32_t savedThumbnailLimit = 16u * 1024 * 1024;

// The size of a made thumbnail of a width × height picture: the picture's
// own when it fits into galleryThumbnailSide, else scaled down to it with
// the proportions kept, each side at least 1.
void galleryThumbnailSize(int32_t width, int32_t height, int32_t& thumbnailWidth, int32_t& thumbnailHeight);

// The thumbnail of picture name in folder (see gallerySavedThumbnailOf): the
// saved file's bytes, or a PNG of the picture scaled by Lanczos; contentType
// names which. False when there is no saved one to read and the picture
// cannot be decoded.
bool galleryThumbnail(const char* folder, const char* name, std::string& bytes, const char*& contentType);
