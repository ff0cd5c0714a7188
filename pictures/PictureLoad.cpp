#include "PictureLoad.h"

#include <utility>

PictureLoad PictureLoad::Refused(PictureProblem problem, std::string reason)
{
    PictureLoad load;
    load.problem = problem;
    load.reason = std::move(reason);
    return load;
}

PictureLoad PictureLoad::CutShort()
{
    return Refused(PictureProblem::CutShort, "the file is cut short");
}

PictureLoad PictureLoad::Damaged(const std::string& how)
{
    return Refused(PictureProblem::Damaged, "the file is damaged (" + how + ")");
}

PictureLoad PictureLoad::TooManyPixels(std::int64_t width, std::int64_t height)
{
    return Refused(PictureProblem::TooLarge, "the picture of " + std::to_string(width) + " x " + std::to_string(height) +
                                                 " pixels is larger than the programs hold (at most " +
                                                 std::to_string(CRaster::kMaxPixels) + " pixels, 8192 x 8192)");
}

PictureLoad PictureLoad::NoMemory()
{
    return Refused(PictureProblem::OutOfMemory, "not enough memory");
}

PictureLoad MakePicture(std::int64_t width, std::int64_t height)
{
    if (!CRaster::SizeAllowed(width, height))
        return PictureLoad::TooManyPixels(width, height);
    PictureLoad load;
    if (!load.raster.Create(static_cast<int>(width), static_cast<int>(height), CRaster::kWhite))
        return PictureLoad::NoMemory();
    return load;
}
