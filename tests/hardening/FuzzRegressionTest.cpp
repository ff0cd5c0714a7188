// Every kept fuzz input, the seeds and the inputs that once failed, fed to its fuzz body: no
// crash, no sanitizer report, no broken property, and no input that takes long.
#include "FuzzTargets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

// Runs the body of target on every file of corpus/<target> and regressions/<target>.
void ReplayInputs(const char* target)
{
    const fuzzing::FuzzBody body = fuzzing::FindFuzzBody(target);
    ASSERT_NE(body, nullptr);
    int inputs = 0;
    for (const char* kind : {"corpus", "regressions"}) {
        const std::filesystem::path folder = std::filesystem::path(FUZZ_INPUT_DIR) / kind / target;
        if (!std::filesystem::is_directory(folder))
            continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            SCOPED_TRACE(entry.path().string());
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            body(data);
            ++inputs;
        }
    }
    EXPECT_GT(inputs, 0) << "no inputs for " << target;
}

}  // namespace

TEST(FuzzRegressions, GlfFont) { ReplayInputs("glf"); }
TEST(FuzzRegressions, LengthString) { ReplayInputs("length_string"); }
TEST(FuzzRegressions, RdfDocument) { ReplayInputs("rdf"); }
TEST(FuzzRegressions, Bmp) { ReplayInputs("bmp"); }
TEST(FuzzRegressions, Dictionary) { ReplayInputs("dict"); }
TEST(FuzzRegressions, Png) { ReplayInputs("png"); }
TEST(FuzzRegressions, Pnm) { ReplayInputs("pnm"); }
TEST(FuzzRegressions, PageReader) { ReplayInputs("page"); }
TEST(FuzzRegressions, Jpeg) { ReplayInputs("jpeg"); }
TEST(FuzzRegressions, Webp) { ReplayInputs("webp"); }
TEST(FuzzRegressions, GlyphSet) { ReplayInputs("glyphset"); }
TEST(FuzzRegressions, LineFont) { ReplayInputs("linefont"); }
