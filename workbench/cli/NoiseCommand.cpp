// recognize-cli noise: deterministic noise added to a .BMP picture.
#include "BmpFile.h"
#include "ByteStream.h"
#include "CliCommon.h"
#include "Commands.h"
#include "NoiseGenerator.h"
#include "PictureFile.h"

#include <charconv>
#include <cmath>

namespace {

const char* const kNoiseUsage =
    "Usage: recognize-cli noise [--kind flip|ink|erase] --rate R [--seed S] IN.bmp -o OUT.bmp\n"
    "\n"
    "Adds noise to the picture as \"Add Noise...\" does and saves it as a 24-bit .BMP file as\n"
    "\"Save bitmap...\" does. The same picture, kind, rate and seed give the same pixels.\n"
    "\n"
    "  --kind K        flip (black and white swapped; other colours count as white), ink (a pixel\n"
    "                  turns black) or erase (a black pixel turns white); default flip\n"
    "  --rate R        share of the pixels hit, 0 to 0.5\n"
    "  --seed S        seed of the generator, 0 to 18446744073709551615; when absent a new one is\n"
    "                  chosen and printed on stderr\n"
    "  -o, --output OUT.bmp  the picture to write (replaced atomically)\n";

// A decimal unsigned 64-bit integer, the whole text.
std::optional<std::uint64_t> ParseSeed(std::string_view text) {
    std::uint64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

}  // namespace

int RunNoiseCommand(int argc, char** argv) {
    CCommandLine cl("noise", kNoiseUsage);
    cl.AddOption("--kind");
    cl.AddOption("--rate");
    cl.AddOption("--seed");
    cl.AddOption("--output", "-o");
    if (std::optional<int> done = cl.Parse(argc, argv))
        return *done;
    if (cl.Positionals().size() != 1)
        return cl.UsageError(cl.Positionals().empty() ? "the picture (IN.bmp) is missing"
                                                      : "unexpected argument '" + cl.Positionals()[1] + "'");
    std::optional<std::string> output = cl.Value("--output");
    if (!output)
        return cl.UsageError("the output picture (-o OUT.bmp) is missing");
    NoiseSettings noise;
    if (std::optional<std::string> kind = cl.Value("--kind")) {
        std::optional<NoiseKind> value = ParseNoiseKind(*kind);
        if (!value)
            return cl.UsageError("--kind needs flip, ink or erase, not '" + *kind + "'");
        noise.kind = *value;
    }
    std::optional<std::string> rate = cl.Value("--rate");
    if (!rate)
        return cl.UsageError("the rate (--rate R) is missing");
    std::optional<double> rateValue = ParseNumber(*rate);
    if (!rateValue || !NoiseRateAllowed(*rateValue))
        return cl.UsageError("--rate needs a number between 0 and 0.5, not '" + *rate + "'");
    noise.rate = *rateValue;
    if (std::optional<std::string> seed = cl.Value("--seed")) {
        std::optional<std::uint64_t> value = ParseSeed(*seed);
        if (!value)
            return cl.UsageError("--seed needs an integer between 0 and 18446744073709551615, not '" + *seed + "'");
        noise.seed = *value;
    } else {
        noise.seed = NewNoiseSeed();
        PrintError("seed " + std::to_string(noise.seed));
    }

    const std::string& input = cl.Positionals().front();
    PictureLoad load = LoadBmpPicture(input);
    if (!load.Ok()) {
        PrintError(load.problem == PictureProblem::OutOfMemory ? load.message
                                                                : input + ": cannot read the bitmap: " + load.reason);
        return load.problem == PictureProblem::OutOfMemory ? kExitFailure : kExitUsage;
    }
    CRaster picture = std::move(load.raster);
    AddNoise(picture, noise);
    if (!WriteFileAtomically(*output, EncodeBmp24(picture))) {
        PrintError(*output + ": cannot save the bitmap");
        return kExitFailure;
    }
    return kExitSuccess;
}
