#include "RenderSettings.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

template <typename Enum>
struct EnumName {
    Enum value;
    std::string_view name;
};

constexpr EnumName<Hinting> kHintings[] = {{Hinting::None, "none"}, {Hinting::Slight, "slight"}, {Hinting::Full, "full"}};
constexpr EnumName<Antialias> kAntialiases[] = {
    {Antialias::Mono, "mono"}, {Antialias::Grey, "grey"}, {Antialias::Grey, "gray"}, {Antialias::Lcd, "lcd"}};
constexpr EnumName<LcdFilter> kLcdFilters[] = {
    {LcdFilter::None, "none"}, {LcdFilter::Default, "default"}, {LcdFilter::Light, "light"}, {LcdFilter::Legacy, "legacy"}};
constexpr EnumName<LcdReduce> kLcdReduces[] = {{LcdReduce::Mean, "mean"}, {LcdReduce::Max, "max"}, {LcdReduce::Green, "green"}};
constexpr EnumName<PenRounding> kPenRoundings[] = {{PenRounding::Nearest, "nearest"}, {PenRounding::Down, "down"}};
constexpr EnumName<SizeRounding> kSizeRoundings[] = {{SizeRounding::Truncate, "truncate"}, {SizeRounding::Nearest, "round"}};

template <typename Enum, std::size_t N>
std::string_view NameOf(const EnumName<Enum> (&names)[N], Enum value)
{
    for (const auto& entry : names)
        if (entry.value == value)
            return entry.name;
    return "?";
}

template <typename Enum, std::size_t N>
bool ValueOf(const EnumName<Enum> (&names)[N], std::string_view text, Enum& value)
{
    for (const auto& entry : names)
        if (entry.name == text) {
            value = entry.value;
            return true;
        }
    return false;
}

bool ParseBool(std::string_view text, bool& value)
{
    if (text == "on" || text == "true" || text == "1" || text == "yes") {
        value = true;
        return true;
    }
    if (text == "off" || text == "false" || text == "0" || text == "no") {
        value = false;
        return true;
    }
    return false;
}

bool ParseNumber(std::string_view text, double& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

std::string Number(double value)
{
    char buffer[32];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, ptr) : std::string("0");
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool Fail(std::string* error, std::string message)
{
    if (error != nullptr)
        *error = std::move(message);
    return false;
}

// Sets one key; false with the reason when the key or its value is not known.
bool SetKey(RenderSettings& settings, std::string_view key, std::string_view value, std::string* error)
{
    const std::string what = std::string(key) + "=" + std::string(value);
    bool ok = false;
    if (key == "hinting") {
        ok = ValueOf(kHintings, value, settings.hinting);
    } else if (key == "autohint") {
        ok = ParseBool(value, settings.autohint);
    } else if (key == "antialias") {
        ok = ValueOf(kAntialiases, value, settings.antialias);
    } else if (key == "lcdfilter") {
        ok = ValueOf(kLcdFilters, value, settings.lcdFilter);
    } else if (key == "lcdreduce") {
        ok = ValueOf(kLcdReduces, value, settings.lcdReduce);
    } else if (key == "gamma") {
        double gamma = 0;
        ok = ParseNumber(value, gamma) && gamma >= 0.1 && gamma <= 10.0;
        if (ok)
            settings.gamma = gamma;
    } else if (key == "contrast") {
        double contrast = 0;
        ok = ParseNumber(value, contrast) && contrast >= 0.0 && contrast <= 1.0;
        if (ok)
            settings.contrast = contrast;
    } else if (key == "ink") {
        double luminance = 0;
        ok = ParseNumber(value, luminance) && luminance >= 0.0 && luminance <= 1.0;
        if (ok)
            settings.inkLuminance = luminance;
    } else if (key == "vsnap") {
        double snap = 0;
        ok = ParseNumber(value, snap) && snap >= 0 && snap <= 64 && snap == std::floor(snap);
        if (ok)
            settings.verticalSnap = static_cast<int>(snap);
    } else if (key == "phases") {
        double phases = 0;
        ok = ParseNumber(value, phases) && phases >= 1 && phases <= 64 && phases == std::floor(phases);
        if (ok)
            settings.phases = static_cast<int>(phases);
    } else if (key == "pen") {
        ok = ValueOf(kPenRoundings, value, settings.pen);
    } else if (key == "size") {
        ok = ValueOf(kSizeRoundings, value, settings.sizeRounding);
    } else if (key == "embolden") {
        ok = ParseBool(value, settings.embolden);
    } else if (key == "bitmaps") {
        ok = ParseBool(value, settings.embeddedBitmaps);
    } else {
        return Fail(error, "unknown render setting \"" + std::string(key) + "\"");
    }
    return ok || Fail(error, "bad render setting \"" + what + "\"");
}

RenderSettings Make(Hinting hinting, Antialias antialias, SizeRounding rounding, int phases = 1, double gamma = 1.0,
                    double contrast = 0.0, int verticalSnap = 0)
{
    RenderSettings settings;
    settings.hinting = hinting;
    settings.antialias = antialias;
    settings.sizeRounding = rounding;
    settings.phases = phases;
    settings.gamma = gamma;
    settings.contrast = contrast;
    settings.verticalSnap = verticalSnap;
    // fontconfig's default lets every renderer take a font's bitmap strikes where it has them.
    settings.embeddedBitmaps = true;
    return settings;
}

// Qt places glyphs at the quarter pixel at or left of their pen.
RenderSettings QtSettings()
{
    RenderSettings settings = Make(Hinting::Slight, Antialias::Grey, SizeRounding::Nearest, 4);
    settings.pen = PenRounding::Down;
    return settings;
}

}  // namespace

std::string ToString(const RenderSettings& s)
{
    std::string text;
    text += "hinting=" + std::string(NameOf(kHintings, s.hinting));
    text += ",autohint=" + std::string(s.autohint ? "on" : "off");
    text += ",antialias=" + std::string(NameOf(kAntialiases, s.antialias));
    text += ",lcdfilter=" + std::string(NameOf(kLcdFilters, s.lcdFilter));
    text += ",lcdreduce=" + std::string(NameOf(kLcdReduces, s.lcdReduce));
    text += ",gamma=" + Number(s.gamma);
    text += ",contrast=" + Number(s.contrast);
    text += ",ink=" + Number(s.inkLuminance);
    text += ",phases=" + std::to_string(s.phases);
    text += ",pen=" + std::string(NameOf(kPenRoundings, s.pen));
    text += ",vsnap=" + std::to_string(s.verticalSnap);
    text += ",size=" + std::string(NameOf(kSizeRoundings, s.sizeRounding));
    text += ",embolden=" + std::string(s.embolden ? "on" : "off");
    text += ",bitmaps=" + std::string(s.embeddedBitmaps ? "on" : "off");
    return text;
}

std::optional<RenderSettings> ParseRenderSettings(std::string_view text, std::string* error)
{
    RenderSettings settings;
    bool first = true;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = Trim(text.substr(0, comma));
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos) {
            if (!first || item.empty()) {
                std::string message = "empty render setting";
                if (!item.empty())
                    message.assign(item).insert(0, 1, '"').append("\" is not key=value");
                Fail(error, message);
                return std::nullopt;
            }
            const std::optional<RenderSettings> preset = FindRenderPreset(item);
            if (!preset) {
                Fail(error, "unknown render preset \"" + std::string(item) + "\"");
                return std::nullopt;
            }
            settings = *preset;
        } else if (!SetKey(settings, Trim(item.substr(0, equals)), Trim(item.substr(equals + 1)), error)) {
            return std::nullopt;
        }
        first = false;
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    return settings;
}

const std::vector<RenderPreset>& RenderPresets()
{
    using enum Hinting;
    using enum Antialias;
    using enum SizeRounding;
    static const std::vector<RenderPreset> presets = {
        {"xft", "Xft with fontconfig's defaults: xterm -fa, rxvt-unicode xft:, st", Make(Slight, Grey, Truncate)},
        {"xft-mono", "Xft with antialias=false: xterm, rxvt-unicode, st", Make(Full, Mono, Truncate)},
        {"cairo", "Cairo and Pango on X without the desktop's font settings: VTE terminals (xfce4-terminal)",
         Make(Full, Grey, Nearest)},
        {"cairo-mono", "Cairo and Pango with antialias=false: VTE terminals", Make(Full, Mono, Nearest)},
        {"cairo-slight", "Cairo and Pango where the desktop asks for slight hinting (GNOME's default)",
         Make(Slight, Grey, Nearest)},
        {"skia", "Skia in Chromium, fontconfig's defaults: quarter-pixel pen positions, Linux text gamma",
         Make(Slight, Grey, Truncate, 4, 1.2, 0.2, 4)},
        {"skia-hidpi", "Skia in Chromium at a device scale above 1, which it draws unhinted",
         Make(None, Grey, Truncate, 4, 1.2, 0.2, 4)},
        {"qt", "Qt's FreeType engine with fontconfig's defaults: quarter pixels, rounded down", QtSettings()},
    };
    return presets;
}

std::optional<RenderSettings> FindRenderPreset(std::string_view name)
{
    for (const RenderPreset& preset : RenderPresets())
        if (preset.name == name)
            return preset.settings;
    return std::nullopt;
}

int PixelSizeTo26Dot6(double pixels, SizeRounding rounding)
{
    const double scaled = std::clamp(pixels, 0.0, 16384.0) * 64.0;
    return static_cast<int>(rounding == SizeRounding::Nearest ? scaled + 0.5 : scaled);
}

std::array<std::uint8_t, 256> CoverageCurve(const RenderSettings& settings)
{
    std::array<std::uint8_t, 256> curve{};
    const double gamma = settings.gamma;
    if (gamma == 1.0 && settings.contrast == 0.0) {
        for (int level = 0; level < 256; ++level)
            curve[static_cast<std::size_t>(level)] = static_cast<std::uint8_t>(level);
        return curve;
    }
    // Skia's correcting table: the blend the screen shows is the one a blend in linear light
    // (of this gamma) would give, with the contrast fading as the paper darkens.
    const double ink = std::clamp(settings.inkLuminance, 0.0, 1.0);
    const double paper = 1.0 - ink;
    const double linearInk = std::pow(ink, gamma);
    const double linearPaper = std::pow(paper, gamma);
    const double contrast = settings.contrast * linearPaper;
    for (int level = 0; level < 256; ++level) {
        const double raw = level / 255.0;
        const double a = raw + (1.0 - raw) * contrast * raw;
        double result = a;
        if (std::abs(ink - paper) >= 1.0 / 256.0) {
            const double out = std::pow(linearInk * a + (1.0 - a) * linearPaper, 1.0 / gamma);
            result = (out - paper) / (ink - paper);
        }
        curve[static_cast<std::size_t>(level)] =
            static_cast<std::uint8_t>(std::clamp(std::floor(255.0 * result + 0.5), 0.0, 255.0));
    }
    return curve;
}
