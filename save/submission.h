// Splitting a posted body (_post.dat) into the picture (_tmppng.dat), the
// animation record (_tmppch.dat) and the built-in painter's timelapse frames
// (_tmplapse.dat). Nothing is decoded here: the pieces are only cut apart and
// told apart.
#pragma once

#include <cstdint>

class FileHandle;

// What decodeSubmission found; hasAnimation and rawImage never occur together,
// isSpch and hasTimelapse only with hasAnimation.
using SubmissionFlags = uint32_t;
enum : SubmissionFlags {
    hasAnimation = 0x1,  // an animation part was announced; it is in _tmppch.dat
    isSpch = 0x2,        // the record letter was S: an SPCH record, else PCH
    rawImage = 0x4,      // the body was "junji.gif\r\n" and the picture
    hasTimelapse = 0x8,  // timelapse frames followed the record; they are in _tmplapse.dat
};

// The file decodeSubmission writes the timelapse frames to.
extern const char* const timelapseFramesFile;

// Splits _post.dat of the current folder. False, with flags 0 and no file
// touched, only when _post.dat cannot be opened. A body shorter than its
// fields announce gives parts of the bytes that exist; the flags still say
// what the body announced. _tmppch.dat is written only when an animation is
// announced. A part whose file cannot be created is skipped. After the
// record, a field of frames is taken only from a body of the letter P whose
// field begins "SKHL"; anything else there is ignored as before.
bool decodeSubmission(SubmissionFlags& flags);

// Creates (or truncates) targetName and moves count bytes from the current
// position of source into it, fewer when source ends first; the position of
// source advances by the bytes moved. count 0 or less gives an empty file.
// False when the target cannot be created or not all of it could be
// written; source still advances past the part then, so that the fields
// after it are read where they are.
bool copyPart(FileHandle& source, const char* targetName, int32_t count);
