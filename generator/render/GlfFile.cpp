#include "GlfFile.h"

#include "AtomicFile.h"
#include "CCapturePass.h"

#include <utility>

bool RenderGlfFile(const GeneratorSettings& settings, const CodeProgress& progress,
                   std::vector<std::uint8_t>& bytes, std::string& error)
{
    error = CellWindowProblem(settings);
    if (!error.empty())
        return false;
    CCapturePass pass(settings);
    const CellCapture capture = [&pass](std::uint8_t code, std::vector<std::uint8_t>& out) {
        pass.CaptureCell(code, out);
    };
    return BuildGlfFile(settings, capture, progress, bytes, error);
}

bool SaveGlfFile(const std::string& path, const GeneratorSettings& settings, const CodeProgress& progress,
                 std::string& error, std::vector<std::uint8_t>* written)
{
    std::vector<std::uint8_t> bytes;
    if (!RenderGlfFile(settings, progress, bytes, error))
        return false;
    if (!WriteFileAtomically(path, bytes, error))
        return false;
    if (written != nullptr)
        *written = std::move(bytes);
    return true;
}
