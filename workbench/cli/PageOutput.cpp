#include "PageOutput.h"

#include "ByteStream.h"
#include "CliCommon.h"
#include "PageStages.h"
#include "PngWriter.h"

#include <filesystem>
#include <span>
#include <system_error>

bool WriteStages(const std::string& folder, const CRaster& picture, const PageReading& page, const PageOptions& options)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        PrintError(folder + ": cannot make the debug folder (" + error.message() + ")");
        return false;
    }
    auto write = [&](const std::string& name, std::span<const std::uint8_t> bytes) {
        const std::string path = (std::filesystem::path(folder) / name).string();
        if (!bytes.empty() && WriteFileAtomically(path, bytes))
            return true;
        PrintError(path + ": cannot be written");
        return false;
    };
    for (const StagePicture& stage : DrawPageStages(picture, page, options))
        if (!write(stage.name, EncodePng(stage.picture)))
            return false;
    const std::string figures = PageStageFigures(picture, page);
    return write("stages.txt", std::span(reinterpret_cast<const std::uint8_t*>(figures.data()), figures.size()));
}

std::string PageJson(const PageReading& page, bool complex)
{
    CJsonWriter json;
    json.BeginObject();
    json.Key("text").String(page.text);
    json.Key("cellWidth").Int(page.cellWidth);
    json.Key("cellHeight").Int(page.cellHeight);
    json.Key("lines").BeginArray();
    for (const PageLine& line : page.lines) {
        json.BeginObject();
        json.Key("top").Int(line.Top());
        json.Key("left").Int(line.Left());
        json.Key("text").String(line.text);
        json.Key("cost").Int(line.Cost());
        json.Key("cells").BeginArray();
        for (const PageCell& cell : line.cells)
            json.BeginArray().Int(static_cast<long long>(cell.code)).Int(cell.best).Int(cell.worst).EndArray();
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
    if (complex) {
        json.Key("noCut").BeginArray();
        for (int index : page.NoCutLines())
            json.Int(index);
        json.EndArray();
    }
    json.Key("milliseconds").BeginObject();
    json.Key("ink").Number(page.dInkMilliseconds);
    json.Key("search").Number(page.dSearchMilliseconds);
    json.Key("match").Number(page.dMatchMilliseconds);
    json.Key("total").Number(page.dMilliseconds);
    json.EndObject();
    json.EndObject();
    return json.Result();
}

