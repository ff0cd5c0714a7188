#pragma once

#include "CRaster.h"

#include <cstdint>
#include <string>

// What reading a picture gave: its pixels, or why it was refused, told apart so that a caller
// can answer each cause in its own way (a command line exits 1 when memory ran out, 2 for a
// file that is no readable picture).

enum class PictureProblem {
    None,            // read
    Missing,         // no file of that name, or a link to none
    Directory,       // a folder
    NotRegularFile,  // a device, a FIFO or a socket
    Unreadable,      // no permission, or the system could not read it
    Empty,           // a file of no bytes
    TooLarge,        // the file, or the picture it declares, is past its bound
    CutShort,        // the file ends before its pixels do
    Damaged,         // the bytes contradict the format
    NotPicture,      // another kind of file, or a kind of picture that is not read
    OutOfMemory,     // memory ran out while it was read
};

struct PictureLoad {
    CRaster raster;  // the picture, 0xffRRGGBB; empty unless Ok()
    PictureProblem problem = PictureProblem::None;
    // Why it was refused, without the file's name ("the file is cut short"); for
    // OutOfMemory, once the file is known, "not enough memory to read shot.png".
    std::string reason;
    // The reason as a sentence that names the file: "shot.png: the file is cut short",
    // "not enough memory to read shot.png". Filled by the functions that know the name.
    std::string message;
    // A fault after the pixels, which were read whole ("shot.png: the file is cut short after
    // its pixels"); empty when there is none.
    std::string warning;

    bool Ok() const { return problem == PictureProblem::None; }

    // A refusal for the reason given.
    static PictureLoad Refused(PictureProblem problem, std::string reason);
    // The refusals that every reader shares, with their reasons.
    static PictureLoad CutShort();
    static PictureLoad Damaged(const std::string& how);
    static PictureLoad TooManyPixels(std::int64_t width, std::int64_t height);
    static PictureLoad NoMemory();
};

// A white picture of width x height pixels for a reader to fill, or, as the refusal, the size
// bound (CRaster::SizeAllowed) or the memory that ran out. Every reader makes its picture here,
// after it has read the size and before it reads the pixels.
PictureLoad MakePicture(std::int64_t width, std::int64_t height);
