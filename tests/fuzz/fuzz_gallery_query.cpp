// Fuzzes the gallery's reading of a query (the input up to its first NUL, as
// a request path's query is): a name it gives is always a gallery picture
// that comes back whole from its own address, and a page is always one to
// show.
#include <string>

#include "pages/gallery.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string query(reinterpret_cast<const char*>(data), size);
    query = query.c_str();
    TextBuffer name;
    if (galleryNameFromQuery(query.c_str(), name)) {
        require(isGalleryPicture(name.text()) && isPlainFileName(name.text()));
        std::string again = "f=";
        appendPercentEncoded(name.text(), again);
        TextBuffer back;
        require(galleryNameFromQuery(again.c_str(), back) && std::string(back.text()) == name.text());
    }
    GalleryPaging paging = galleryPaging(static_cast<int>(size), galleryPageFromQuery(query.c_str()));
    require(paging.page >= 1 && paging.page <= paging.pageCount && paging.count >= 0 &&
            paging.count <= galleryPageSize && paging.first + paging.count <= static_cast<int>(size));
    return 0;
}
