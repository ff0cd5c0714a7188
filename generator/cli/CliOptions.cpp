#include "CliOptions.h"

#include "CharacterClasses.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>

namespace {

bool ParseInt(const std::string& text, long long low, long long high, int& value)
{
    long long parsed = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    const auto [ptr, ec] = std::from_chars(begin, end, parsed);
    if (text.empty() || ec != std::errc() || ptr != end || parsed < low || parsed > high)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

std::vector<std::string> SplitList(const std::string& text)
{
    std::vector<std::string> items;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        const std::size_t begin = item.find_first_not_of(" \t");
        const std::size_t end = item.find_last_not_of(" \t");
        items.push_back(begin == std::string::npos ? std::string() : item.substr(begin, end - begin + 1));
    }
    return items;
}

bool ParseClassList(const std::string& text, std::vector<CharClass>& classes, std::string& error)
{
    for (const std::string& name : SplitList(text)) {
        CharClass cls{};
        if (!FindClassByName(name, cls)) {
            error = "unknown character class \"" + name + "\" (one of EnglishUpper, EnglishLower, "
                    "RussianUpper, RussianLower, Digits, SignsBracesQuotes, SpecialSymbols, "
                    "SpacesPunctuation, UnknownChars, ControlChars)";
            return false;
        }
        classes.push_back(cls);
    }
    if (classes.empty()) {
        error = "empty list of character classes";
        return false;
    }
    return true;
}

void SetClasses(const std::vector<CharClass>& classes, int value, InclusionTable& table)
{
    for (CharClass cls : classes) {
        for (std::uint8_t code : ClassInfo(cls).codes)
            table[code] = value;
    }
}

} // namespace

bool ParseDecimal(const std::string& text, double low, double high, double& value)
{
    double parsed = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    const auto [ptr, ec] = std::from_chars(begin, end, parsed, std::chars_format::fixed);
    if (begin == end || ec != std::errc() || ptr != end || !std::isfinite(parsed) || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

bool ParseCodeList(const std::string& text, std::vector<int>& codes)
{
    const std::vector<std::string> items = SplitList(text);
    if (items.empty())
        return false;
    for (const std::string& item : items) {
        const std::size_t dash = item.find('-');
        int first = 0;
        int last = 0;
        if (dash == std::string::npos) {
            if (!ParseInt(item, 0, 255, first))
                return false;
            last = first;
        } else if (!ParseInt(item.substr(0, dash), 0, 255, first) || !ParseInt(item.substr(dash + 1), 0, 255, last) ||
                   last < first) {
            return false;
        }
        for (int code = first; code <= last; ++code)
            codes.push_back(code);
    }
    return true;
}

bool ParseCliOptions(const std::vector<std::string>& args, CliOptions& options, std::string& error)
{
    GeneratorSettings& settings = options.m_Settings;
    InclusionTable& table = settings.m_Inclusions;
    double points = 0;          // --points, 0 when not given
    double dpi = 0;             // --dpi, 0 when not given
    bool coverageGiven = false;
    bool controlsAsked = false;  // --include ControlChars or --include-codes below 32
    constexpr int kFirstPrintable = 32;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (name.rfind("--", 0) == 0) {
            const std::size_t equals = name.find('=');
            if (equals != std::string::npos) {
                value = name.substr(equals + 1);
                name = name.substr(0, equals);
                hasValue = true;
            }
        }
        auto takeValue = [&]() {
            if (hasValue)
                return true;
            if (i + 1 >= args.size()) {
                error = "option " + name + " needs a value";
                return false;
            }
            value = args[++i];
            hasValue = true;
            return true;
        };
        auto takeInt = [&](long long low, long long high, int& target) {
            if (!takeValue())
                return false;
            if (!ParseInt(value, low, high, target)) {
                error = "option " + name + " needs an integer between " + std::to_string(low) + " and " +
                        std::to_string(high) + ", not \"" + value + "\"";
                return false;
            }
            return true;
        };
        auto flag = [&]() {
            if (hasValue) {
                error = "option " + name + " takes no value";
                return false;
            }
            return true;
        };

        int number = 0;
        if (name == "--help" || name == "-h") {
            if (!flag())
                return false;
            options.m_bHelp = true;
        } else if (name == "--version") {
            if (!flag())
                return false;
            options.m_bVersion = true;
        } else if (name == "--list-fonts") {
            if (!flag())
                return false;
            options.m_bListFonts = true;
        } else if (name == "--font") {
            if (!takeValue())
                return false;
            if (value.empty()) {
                error = "option --font needs a family name";
                return false;
            }
            settings.m_Font.m_strFamily = value;
            settings.m_strFaceName = value;
            options.m_bFontGiven = true;
        } else if (name == "--size") {
            if (!takeValue())
                return false;
            double size = 0;
            if (ParseInt(value, 1, 1000, number)) {
                settings.m_Font.m_nPixelSize = number;
                settings.m_Font.m_dPixelSize = 0;
            } else if (ParseDecimal(value, 1, 1000, size)) {
                settings.m_Font.m_nPixelSize = static_cast<int>(std::lround(size));
                settings.m_Font.m_dPixelSize = size;
            } else {
                error = "option --size needs a size in pixels between 1 and 1000, such as 16 or 10.67, not \"" + value +
                        "\"";
                return false;
            }
            points = 0;
        } else if (name == "--points" || name == "--dpi") {
            double parsed = 0;
            if (!takeValue())
                return false;
            if (!ParseDecimal(value, 1, name == "--dpi" ? 10000 : 1000, parsed)) {
                error = "option " + name + " needs a number between 1 and " + (name == "--dpi" ? "10000" : "1000") +
                        ", not \"" + value + "\"";
                return false;
            }
            (name == "--points" ? points : dpi) = parsed;
        } else if (name == "--layout") {
            if (!takeValue())
                return false;
            if (value == "window")
                settings.m_Layout = CellLayout::Window;
            else if (value == "cell")
                settings.m_Layout = CellLayout::Cell;
            else {
                error = "option --layout needs window or cell, not \"" + value + "\"";
                return false;
            }
        } else if (name == "--antialias" || name == "--no-antialias") {
            if (!flag())
                return false;
            settings.m_bAntialias = name == "--antialias";
        } else if (name == "--coverage") {
            if (!takeInt(1, 100, settings.m_nCoverage))
                return false;
            coverageGiven = true;
        } else if (name == "--fit-picture") {
            if (!takeValue())
                return false;
            if (value.empty()) {
                error = "option --fit-picture needs a picture file";
                return false;
            }
            options.m_strFitPicture = value;
        } else if (name == "--bold" || name == "--no-bold") {
            if (!flag())
                return false;
            settings.m_Font.m_nWeight = name == "--bold" ? 700 : 400;
        } else if (name == "--italic" || name == "--no-italic") {
            if (!flag())
                return false;
            settings.m_Font.m_bItalic = name == "--italic";
        } else if (name == "--first" || name == "--last") {
            if (!takeInt(0, 255, number))
                return false;
            (name == "--first" ? settings.m_nFirstCode : settings.m_nLastCode) = static_cast<std::uint8_t>(number);
        } else if (name == "--width") {
            if (!takeInt(0, 150, settings.m_nWidth))
                return false;
            options.m_bWidthGiven = true;
        } else if (name == "--height") {
            if (!takeInt(0, 150, settings.m_nHeight))
                return false;
            options.m_bHeightGiven = true;
        } else if (name == "--x") {
            if (!takeInt(-2147483647LL - 1, 2147483647LL, settings.m_nXOffset))
                return false;
            options.m_bXGiven = true;
        } else if (name == "--y") {
            if (!takeInt(-2147483647LL - 1, 2147483647LL, settings.m_nYOffset))
                return false;
            options.m_bYGiven = true;
        } else if (name == "--preset") {
            if (!takeValue())
                return false;
            InclusionPreset preset = InclusionPreset::Pure;
            if (value == "pure")
                preset = InclusionPreset::Pure;
            else if (value == "normal")
                preset = InclusionPreset::Normal;
            else if (value == "rich")
                preset = InclusionPreset::Rich;
            else {
                error = "option --preset needs pure, normal or rich, not \"" + value + "\"";
                return false;
            }
            ClassStates states = DeriveClassStates(table);
            ApplyPreset(preset, states, table);
        } else if (name == "--include" || name == "--exclude") {
            std::vector<CharClass> classes;
            if (!takeValue() || !ParseClassList(value, classes, error))
                return false;
            SetClasses(classes, name == "--include" ? 1 : 0, table);
            if (name == "--include" && std::find(classes.begin(), classes.end(), CharClass::ControlChars) != classes.end())
                controlsAsked = true;
        } else if (name == "--include-codes" || name == "--exclude-codes") {
            if (!takeValue())
                return false;
            std::vector<int> codes;
            if (!ParseCodeList(value, codes)) {
                error = "option " + name + " needs codes 0..255 such as 0-31,127, not \"" + value + "\"";
                return false;
            }
            for (int code : codes) {
                table[static_cast<std::size_t>(code)] = name == "--include-codes" ? 1 : 0;
                controlsAsked = controlsAsked || (name == "--include-codes" && code < kFirstPrintable);
            }
        } else if (name == "--measure" || name == "--autolayout") {
            if (hasValue && value != "fit") {
                error = "option " + name + " takes no value or =fit, not \"" + value + "\"";
                return false;
            }
            if (name == "--measure") {
                options.m_bMeasure = true;
                options.m_bMeasureFit = hasValue;
            } else {
                options.m_bAutoLayout = true;
                options.m_bAutoLayoutFit = hasValue;
            }
        } else if (name == "--allow-substitute") {
            if (!flag())
                return false;
            options.m_bAllowSubstitute = true;
        } else if (name == "--sheet") {
            if (!takeValue())
                return false;
            if (value.empty()) {
                error = "option --sheet needs a file name";
                return false;
            }
            options.m_strSheet = value;
        } else if (name == "-o" || name == "--output") {
            if (!takeValue())
                return false;
            if (value.empty()) {
                error = "option " + name + " needs a file name";
                return false;
            }
            options.m_strOutput = value;
        } else {
            error = "unknown option \"" + args[i] + "\"";
            return false;
        }
    }

    settings.ClampCurrentCode();
    settings.LoadSaveFlag();
    if (dpi > 0 && points == 0) {
        error = "option --dpi needs --points";
        return false;
    }
    if (points > 0) {
        // P points at D dots per inch are P x D / 72 pixels; terminals count 96 dpi unless told.
        const double size = points * (dpi > 0 ? dpi : 96.0) / 72.0;
        if (size < 1 || size > 1000) {
            error = "--points and --dpi give a size of " + std::to_string(size) + " pixels; it must lie between 1 and 1000";
            return false;
        }
        settings.m_Font.m_dPixelSize = size;
        settings.m_Font.m_nPixelSize = static_cast<int>(std::lround(size));
    }
    if (coverageGiven && !settings.m_bAntialias) {
        error = "option --coverage needs --antialias";
        return false;
    }
    if (options.m_bHelp || options.m_bVersion)
        return true;
    if (settings.m_Layout == CellLayout::Cell && (options.m_bMeasure || options.m_bAutoLayout)) {
        error = "--measure and --autolayout measure the centred window; they do not go with --layout cell";
        return false;
    }
    // A font fitted to a picture reads pages, where a blank control glyph would only tie with the
    // space: control characters are left out unless they were asked for.
    if (!options.m_strFitPicture.empty() && !controlsAsked)
        for (int code = 0; code < kFirstPrintable; ++code)
            table[static_cast<std::size_t>(code)] = 0;
    if (!options.m_strFitPicture.empty() && (options.m_bMeasure || options.m_bAutoLayout)) {
        error = "--fit-picture chooses the layout itself; it does not go with --measure or --autolayout";
        return false;
    }
    if (!options.m_bListFonts && !options.m_bMeasure && options.m_strOutput.empty() && options.m_strSheet.empty() &&
        options.m_strFitPicture.empty()) {
        error = "nothing to do: give -o OUT.GLF, --sheet OUT.png, --measure, --fit-picture or --list-fonts";
        return false;
    }
    return true;
}

std::string CliUsage()
{
    return R"(Usage: glyphmill-cli [OPTIONS] -o OUT.GLF
       glyphmill-cli [OPTIONS] --sheet OUT.png
       glyphmill-cli [OPTIONS] --measure
       glyphmill-cli [--font FAMILY [OPTIONS]] --fit-picture PICTURE [-o OUT.GLF]
       glyphmill-cli --list-fonts

Renders the characters 0..255 (Windows-1251) of an installed font into glyph cells and
writes them as a GLF glyph font. Every option defaults to the start value of Glyphmill.

Font:
  --font FAMILY          font family (default "Arial"); an installed family or an alias that
                         fontconfig resolves, else exit 2 naming the closest installed families
  --allow-substitute     draw with the family fontconfig substitutes for an unknown --font
  --size PX              character height in pixels, 1..1000 (default 70); a fraction such
                         as 10.67 is rendered at exactly that size
  --points P [--dpi D]   the size as P points at D dots per inch: P x D / 72 pixels (D 96
                         unless given)
  --bold, --no-bold      bold weight or normal weight (default bold)
  --italic, --no-italic  italic style (default not italic)

Range and cell window:
  --first N, --last N    first and last code written, 0..255 (default 0 and 255)
  --width W              Character Width, right edge of the cell, 0..150 (default 72)
  --height H             Character Height, bottom edge of the cell, 0..150 (default 80)
  --x X, --y Y           X Offset and Y Offset, left and top edge of the cell (default 0)
  --measure              print the measured layout as "X=.. W=.. Y=.. H=.."
  --autolayout           write with the measured layout (as "Autocalc chars layout")
  --measure=fit, --autolayout=fit
                         measure where the file's capture draws (centred in the cell), so
                         that no included glyph loses ink

Rendering (off unless chosen):
  --layout window|cell   window (default): each character centred on the W x H area and the
                         cell window X..W-1, Y..H-1 sampled; cell: as terminals draw, the cell
                         is the font's advance by its line height (ascent and descent each
                         rounded up), the pen at the cell's left edge and the baseline at the
                         ascent; --x, --y, --width, --height then move the window against the
                         pen and default to 0, 0, the advance and the line height. A
                         proportional font gets the widest advance and a warning
  --antialias, --no-antialias
                         render smoothed, a pixel being ink where the glyph covers enough of
                         it, or not (default)
  --coverage P           with --antialias: the least coverage of an ink pixel, 1..100 percent
                         (default 50)
  --fit-picture PICTURE  find the size, antialiasing and cell window with which the page reader
                         reads the text of PICTURE (PNG, JPEG, WebP, BMP or PNM) best; prints the
                         options as a glyphmill-cli command line and the mean cost per cell; with
                         -o writes the font. Exit 1 when the picture holds no text, the family
                         cannot match it or memory runs out; 2 when the picture cannot be read.
                         Control characters (0-31) are left out unless --include or
                         --include-codes asks for them. Without --font the font is searched
                         among the installed fixed-width families as recognize-cli page searches
                         it, drawn as the screen's program draws it; the choice is printed and -o
                         writes its glyphs that Windows-1251 holds

Characters (applied in the order given, later ones winning; excluded codes get empty records):
  --preset pure|normal|rich    the Russian Symbols presets
  --include CLASS,...          include whole classes
  --exclude CLASS,...          exclude whole classes
  --include-codes LIST         include codes, e.g. 38,65-90 or "38, 65-90"
  --exclude-codes LIST         exclude codes, e.g. 0-31,127
  Classes: EnglishUpper EnglishLower RussianUpper RussianLower Digits SignsBracesQuotes
           SpecialSymbols SpacesPunctuation UnknownChars ControlChars

Output:
  -o, --output OUT.GLF   the file to write (replaced only when the new file is complete;
                         through a symbolic link, the file it points to); - for stdout
  --sheet OUT.png        write a PNG sheet of every code from first to last as its record is
                         stored: the bits magnified, the cell window framed, excluded codes
                         grey, groups of identical glyphs marked
  --list-fonts           list the installed font families, then the aliases fontconfig
                         resolves ("Arial → Liberation Sans")

Warnings on stderr: groups of included codes with identical glyphs (a cell of such a glyph
reads as the lowest code of its group), and a first code above the last. The file is written
all the same.
  --help, --version

Exit status: 0 success, 1 the work could not be done, 2 bad usage or unreadable input.
)";
}
