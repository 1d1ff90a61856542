// Which kind of picture file a file is, from its first bytes: the one place
// the signatures are known, for the loader and the header probe alike.
#pragma once

#include <cstdint>

enum class PictureKind { unknown, bmp, png, jpeg, gif };

// The bytes the decision needs.
constexpr uint32_t pictureSniffLength = 10;

// "BM", the PNG signature, a JFIF start (SOI, APP0 of length 16, "JFIF") or
// "GIF" at the start of head (pictureSniffLength bytes). A file that begins
// as a PNG or a JFIF file but does not go on as one is unknown.
PictureKind sniffPicture(const uint8_t* head);
