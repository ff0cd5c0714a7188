#include "FuzzTargets.h"

namespace fuzzing {

FuzzBody FindFuzzBody(std::string_view target)
{
    if (target == "glf")
        return &FuzzGlfFont;
    if (target == "length_string")
        return &FuzzLengthString;
    if (target == "rdf")
        return &FuzzRdfDocument;
    if (target == "bmp")
        return &FuzzBmp;
    if (target == "dict")
        return &FuzzDictionary;
    if (target == "png")
        return &FuzzPng;
    if (target == "pnm")
        return &FuzzPnm;
    if (target == "page")
        return &FuzzPageReader;
    if (target == "jpeg")
        return &FuzzJpeg;
    if (target == "webp")
        return &FuzzWebp;
    if (target == "glyphset")
        return &FuzzGlyphSet;
    if (target == "linefont")
        return &FuzzLineFont;
    return nullptr;
}

}  // namespace fuzzing
