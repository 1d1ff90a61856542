// The gallery of saved drawings: which files of the save folder are its
// pictures, how its addresses name them, the listing, newest first, and its
// page gallery.html (Shift_JIS), made afresh at each request. Nothing here
// writes into the save folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/text_buffer.h"
#include "platform/platform.h"

// The gallery's addresses, whole request paths; all but the page take the
// picture as ?f=NAME (galleryNameFromQuery).
extern const char galleryPagePath[];       // "/gallery.html", with ?page=N
extern const char galleryAddressFolder[];  // "/_sketchhaven/gallery/", what those below begin with
extern const char galleryThumbnailPath[];
extern const char galleryPicturePath[];    // the picture's own file
extern const char galleryTimelapsePath[];  // its timelapse file
extern const char galleryContinuePath[];
extern const char galleryPlayPath[];

// "http://localhost", ":" and the port unless it is 80, and the page's path.
void galleryPageAddress(uint16_t port, TextBuffer& out);

constexpr int galleryPageSize = 100;
// Entries of the save folder looked at, whatever it holds.
constexpr int galleryScanLimit = 100000;
// Bytes of a file name, as a folder search gives it.
constexpr int galleryNameLimit = 259;

// A name that can only mean a file of the folder it is looked up in: not
// empty, at most galleryNameLimit bytes, whole double-byte characters, no
// control character, none of / \ : * ? " < > |, neither "." first nor "."
// or a blank last (which covers "." and ".."; Windows drops such endings).
bool isPlainFileName(const char* name);

// A picture of the gallery: a plain name ending in .png, .jpg, .gif or .bmp
// in any letter case, neither a thumbnail ("s_" first) nor a timelapse
// ("_timelapse" just before the extension), letters in any case.
bool isGalleryPicture(const char* name);

// The name in the query's one f field, its %XX escapes decoded and "+" a
// blank. False when f is absent or given twice, an escape is broken or the
// name is no gallery picture.
bool galleryNameFromQuery(const char* query, TextBuffer& name);
// The number of the query's page field; 1 when it is absent or not a
// positive decimal number.
int galleryPageFromQuery(const char* query);

// Which part of the listing one page shows.
struct GalleryPaging {
    int page;       // 1 to pageCount: a page asked for past the end is the last
    int pageCount;  // at least 1, also for no pictures
    int first;      // the index of the page's first picture
    int count;      // pictures on the page
};
GalleryPaging galleryPaging(int pictureCount, int requestedPage);

// Appends the bytes of text with every byte other than a letter, a digit
// and - . _ ~ as %XX, which is how the gallery's addresses carry a name.
void appendPercentEncoded(const char* text, std::string& out);

struct GalleryPicture {
    char name[galleryNameLimit + 1];
    uint64_t size;
    platform::FileTime written;
};

// The gallery pictures among the first galleryScanLimit entries of folder
// (files only), newest first, the same time by name.
void listGallery(const char* folder, std::vector<GalleryPicture>& pictures);
// Whether name is one of them: a gallery picture and a file of exactly
// that name in folder (a folder search's letter case and short names do not
// count). picture is filled when it is.
bool findGalleryPicture(const char* folder, const char* name, GalleryPicture& picture);
// The animation record of picture name in folder: NAME.pch (the built-in
// painter's, NEO's or PaintBBS's), else NAME.spch. False when neither is
// there.
bool galleryRecordOf(const char* folder, const char* name, TextBuffer& path);

// The thumbnail the save flow wrote for picture name in folder: s_NAME.png,
// else s_NAME.jpg, else s_NAME.bmp. False when there is none.
bool gallerySavedThumbnailOf(const char* folder, const char* name, TextBuffer& path);
// The timelapse the save flow wrote for picture name in folder:
// NAME_timelapse.gif, else NAME_timelapse.png. False when there is none.
bool galleryTimelapseOf(const char* folder, const char* name, TextBuffer& path);

// The media type of a file of the gallery by its extension: image/png,
// image/jpeg, image/gif or image/bmp; null for any other.
const char* galleryContentType(const char* name);
// Files the gallery serves are read whole into memory up to this size.
constexpr uint32_t galleryFileLimit = 64u * 1024 * 1024;
// The bytes of the file at path; false when it cannot be read, is empty or
// is larger than limit.
bool readGalleryFile(const char* path, uint32_t limit, std::string& bytes);

// The page of the listing asked for by requestedPage (see galleryPaging):
// each picture with its thumbnail, name, pixel size, file size, time and
// the buttons to continue and to replay (this one off without a record).
void writeGalleryPage(const char* folder, const std::vector<GalleryPicture>& pictures, int requestedPage,
                      std::string& html);
// A page of the gallery's look that shows message (its line breaks kept)
// and leads back to the gallery.
void writeGalleryMessage(const char* message, std::string& html);
