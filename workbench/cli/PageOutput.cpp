#include "PageOutput.h"

#include "ByteStream.h"
#include "CliCommon.h"
#include "CodePage1251.h"
#include "PageStages.h"
#include "PngWriter.h"

#include <algorithm>
#include <cstdio>
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

namespace {

// A colour as "#RRGGBB".
std::string HexColour(std::uint32_t colour)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%06X", colour & 0xFFFFFFU);
    return text;
}

const char* HintingName(Hinting hinting)
{
    switch (hinting) {
    case Hinting::None:
        return "none";
    case Hinting::Slight:
        return "slight";
    case Hinting::Full:
        break;
    }
    return "full";
}

const char* AntialiasName(Antialias antialias)
{
    switch (antialias) {
    case Antialias::Mono:
        return "mono";
    case Antialias::Grey:
        return "grey";
    case Antialias::Lcd:
        break;
    }
    return "lcd";
}

void FontJson(CJsonWriter& json, const FontSearchResult& search)
{
    const FontCandidate& font = search.Best().candidate;
    json.Key("font").BeginObject();
    json.Key("family").String(font.family);
    json.Key("file").String(font.file);
    json.Key("program").String(font.program ? font.program->name : "");
    json.Key("size").Number(font.size64 / 64.0);
    json.Key("hinting").String(font.settings.autohint ? "auto" : HintingName(font.settings.hinting));
    json.Key("antialias").String(AntialiasName(font.settings.antialias));
    json.Key("gamma").Number(font.settings.gamma);
    json.Key("settings").String(ToString(font.settings));
    json.Key("cell").BeginArray().Int(font.cell.width).Int(font.cell.height).EndArray();
    json.Key("pitch").Number(static_cast<double>(ChoicePitchSub(search.Best())) / kSubpixels);
    json.Key("meanCost").Number(search.Best().CostShare());
    json.Key("fromCache").Bool(search.bFromCache);
    json.Key("searchMilliseconds").Number(search.dMilliseconds);
    json.Key("candidates").BeginArray();
    for (const FontChoice& choice : search.ranked)
        json.BeginObject().Key("font").String(choice.candidate.Describe()).Key("meanCost").Number(choice.CostShare()).EndObject();
    json.EndArray();
    json.EndObject();
}

}  // namespace

namespace {

// The groups of cells of one image: per group its code, how many cells, the best cost, whether
// unsure, and the codes alike with it.
void GroupsJson(CJsonWriter& json, const PageReading& page)
{
    struct Group {
        const PageCell* cell = nullptr;
        int cells = 0;
    };
    std::vector<Group> groups;
    for (const PageLine& line : page.lines)
        for (const PageCell& cell : line.cells)
            if (!cell.bBlank && cell.group >= 0) {
                if (static_cast<std::size_t>(cell.group) >= groups.size())
                    groups.resize(static_cast<std::size_t>(cell.group) + 1);
                Group& group = groups[static_cast<std::size_t>(cell.group)];
                group.cell = group.cell != nullptr ? group.cell : &cell;
                ++group.cells;
            }
    json.Key("groups").BeginArray();
    for (const Group& group : groups) {
        if (group.cell == nullptr)
            continue;
        json.BeginObject();
        json.Key("code").Int(static_cast<long long>(group.cell->code));
        json.Key("cells").Int(group.cells);
        json.Key("best").Int(group.cell->best);
        json.Key("unsure").Bool(IsUnsure(*group.cell, page.cellWidth, page.cellHeight));
        json.Key("alike").BeginArray();
        for (char32_t code : group.cell->alike)
            if (code != group.cell->code)
                json.Int(static_cast<long long>(code));
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
}

}  // namespace

std::string PageJson(const PageReading& page, bool complex, const FontSearchResult* search)
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
        json.Key("row").Int(line.Row());
        json.Key("column").Int(line.column);
        json.Key("text").String(line.text);
        json.Key("cost").Int(line.Cost());
        json.Key("cells").BeginArray();
        for (const PageCell& cell : line.cells)
            json.BeginArray().Int(static_cast<long long>(cell.code)).Int(cell.best).Int(cell.worst).EndArray();
        json.EndArray();
        if (page.bStyled) {
            json.Key("styles").BeginArray();
            for (const PageCell& cell : line.cells) {
                std::string character;
                AppendUtf8(character, cell.code);
                json.BeginObject();
                json.Key("char").String(character);
                json.Key("fg").String(HexColour(cell.style.fg));
                json.Key("bg").String(HexColour(cell.style.bg));
                json.Key("bold").Bool(cell.style.bold);
                json.Key("italic").Bool(cell.style.italic);
                json.Key("underline").Bool(cell.style.underline);
                json.Key("strike").Bool(cell.style.strike);
                json.Key("inverse").Bool(cell.style.inverse);
                json.EndObject();
            }
            json.EndArray();
        }
        json.EndObject();
    }
    json.EndArray();
    if (complex) {
        json.Key("noCut").BeginArray();
        for (int index : page.NoCutLines())
            json.Int(index);
        json.EndArray();
    }
    if (page.screen.bScreen) {
        json.Key("screen").BeginObject();
        json.Key("rows").Int(page.screen.rows);
        json.Key("columns").Int(page.screen.columns);
        json.Key("firstRow").Int(page.screen.firstRow);
        json.Key("firstColumn").Int(page.screen.firstColumn);
        json.EndObject();
    }
    if (page.bStyled) {
        json.Key("colours").BeginObject();
        json.Key("fg").String(HexColour(page.colours.fg));
        json.Key("bg").String(HexColour(page.colours.bg));
        json.EndObject();
    }
    json.Key("unsure").BeginArray();
    for (std::size_t l = 0; l < page.lines.size(); ++l)
        for (std::size_t c = 0; c < page.lines[l].cells.size(); ++c)
            if (IsUnsure(page.lines[l].cells[c], page.cellWidth, page.cellHeight))
                json.BeginArray().Int(static_cast<long long>(l)).Int(static_cast<long long>(c)).EndArray();
    json.EndArray();
    GroupsJson(json, page);
    json.Key("lookAlikes").BeginObject();
    json.Key("decided").Int(page.scripts.wordsDecided);
    json.Key("undecided").Int(page.scripts.wordsUndecided);
    json.EndObject();
    if (search)
        FontJson(json, *search);
    json.Key("milliseconds").BeginObject();
    json.Key("ink").Number(page.dInkMilliseconds);
    json.Key("search").Number(page.dSearchMilliseconds);
    json.Key("match").Number(page.dMatchMilliseconds);
    json.Key("style").Number(page.dStyleMilliseconds);
    json.Key("total").Number(page.dMilliseconds);
    json.EndObject();
    json.EndObject();
    return json.Result();
}


std::string ProportionalJson(const ProportionalReading& reading)
{
    CJsonWriter json;
    json.BeginObject();
    json.Key("mode").String("proportional");
    json.Key("text").String(reading.text);
    json.Key("font").BeginObject();
    json.Key("family").String(reading.font.family);
    json.Key("file").String(reading.font.file);
    json.Key("boldFile").String(reading.font.boldFile);
    json.Key("renderer").String(reading.font.renderer != nullptr ? reading.font.renderer->name : "");
    json.Key("settings").String(ToString(reading.font.settings));
    json.Key("costPerInk").Number(reading.CostPerInk());
    json.Key("fromCache").Bool(reading.bFromCache);
    json.EndObject();
    json.Key("ranking").BeginArray();
    for (const std::string& candidate : reading.ranking)
        json.String(candidate);
    json.EndArray();
    json.Key("lines").BeginArray();
    for (const ProportionalLine& line : reading.lines) {
        json.BeginObject();
        json.Key("top").Int(line.band.top);
        json.Key("bottom").Int(line.band.bottom);
        json.Key("baseline").Int(line.decoded.baseline);
        json.Key("size").Number(line.size);
        json.Key("text").String(line.text);
        json.Key("cost").Int(line.decoded.cost);
        json.Key("ink").Int(line.decoded.ink);
        json.Key("glyphs").BeginArray();
        for (const DecodedGlyph& glyph : line.decoded.glyphs) {
            const LineGlyph& font = line.font->glyphs[static_cast<std::size_t>(glyph.glyph)];
            json.BeginObject();
            std::string text;
            for (char32_t code : glyph.text)
                AppendUtf8(text, code);
            json.Key("text").String(text);
            json.Key("codes").BeginArray();
            for (char32_t code : glyph.text)
                json.Int(static_cast<long long>(code));
            json.EndArray();
            json.Key("box").BeginArray().Int(glyph.box.left).Int(glyph.box.top).Int(glyph.box.right).Int(glyph.box.bottom).EndArray();
            json.Key("cost").Int(glyph.cost);
            if (font.face != GlyphFace::Regular)
                json.Key("bold").Bool(true);
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
    json.Key("milliseconds").BeginObject();
    json.Key("ink").Number(reading.dInkMilliseconds);
    json.Key("search").Number(reading.dSearchMilliseconds);
    json.Key("decode").Number(reading.dDecodeMilliseconds);
    json.Key("total").Number(reading.dMilliseconds);
    json.EndObject();
    json.EndObject();
    return json.Result();
}
