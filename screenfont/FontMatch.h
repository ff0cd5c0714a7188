#pragma once

#include "RenderSettings.h"

#include <optional>
#include <string>
#include <vector>

// Installed fonts found through fontconfig as the screens' programs ask for them.
//
// A request goes the road every fontconfig client takes: the name is parsed (FcNameParse, so
// "Hack:style=Bold" or "DejaVu Sans Mono:pixelsize=16:antialias=false" work as they do after
// xterm's -fa and rxvt-unicode's xft:), the size and dpi are added, FcConfigSubstitute and
// FcDefaultSubstitute fill in the rest (the system's and the user's configuration: hinting
// style, antialiasing, the small-size rules of some families), and FcFontMatch picks the
// font and merges the font's own rules (synthetic bold, no hinting below some size).
//
// Fallback: where the family lacks a code, the glyph comes from the first font of
// fontconfig's sorted list for the same request (FcFontSort, trimmed) whose character set
// has the code. xterm and Pango (VTE) take that list; st and rxvt-unicode match again with
// the code added to the request's character set, which picks the same font unless a font
// earlier in the list is refused by their own checks (rxvt-unicode also refuses glyphs much
// wider than its cell). Box drawing and block elements (U+2500..U+259F) are another matter:
// VTE and rxvt-unicode draw them themselves, with lines and filled rectangles (rxvt-unicode
// takes the font's with -skipBuiltinGlyphs); xterm takes the font's glyphs where the font has
// them (its own drawing with -fbx / forceBoxChars); st and Chromium take the font's.

// Whose rules turn fontconfig's answer into render settings.
enum class ScreenRenderer {
    Xft,    // libXft: xterm, rxvt-unicode, st
    Cairo,  // Cairo through Pango on X: VTE terminals (xfce4-terminal, GNOME Terminal), GTK. The X
            // screen's font options override fontconfig's hint style: full, unless the desktop's Xft
            // settings (Xft.hintstyle, XSETTINGS) say otherwise; see the cairo-slight preset.
    Skia,   // Chromium
    Qt,     // Qt's FreeType font engine
};

// A font as a program asks for it.
struct FontRequest {
    std::string family;     // a fontconfig name: a family, optionally with :key=value properties
    double pixelSize = 0;   // pixels per em; 0: points x dpi / 72
    double points = 12;     // used when pixelSize is 0
    double dpi = 96;        // the screen's (Xft.dpi, or the X screen's size for Xft)
    bool bold = false;
    bool italic = false;
    double deviceScale = 1;  // Chromium's device scale factor (pixelSize is in device pixels): above 1 it draws unhinted
};

// The font fontconfig chose and how the renderer draws it.
struct MatchedFont {
    std::string file;
    int index = 0;            // face index in the file
    std::string family;       // the family fontconfig chose (the first name of the font)
    std::string style;
    bool familyFound = false;  // the family asked for, not a substitute
    double pixelSize = 0;      // fontconfig's pixel size
    int size64 = 0;            // the size that reaches FreeType, rounded as the renderer rounds it
    int spacing = 0;           // FC_SPACING: 0 proportional, 90 dual, 100 mono, 110 charcell
    int weight = 80;           // FC_WEIGHT: 80 regular, 200 bold
    int slant = 0;             // FC_SLANT: 0 roman, 100 italic, 110 oblique
    bool synthesizedOblique = false;  // fontconfig slants an upright face (its matrix); not drawn here
    RenderSettings settings;   // fontconfig's render settings under the renderer's rules
};

// The font the renderer draws the request with. Nothing, with the reason in error, when
// fontconfig cannot be initialised or matches no font file.
std::optional<MatchedFont> MatchFont(const FontRequest& request, ScreenRenderer renderer, std::string* error = nullptr);

// The font that draws code where the requested font lacks it (see the fallback rule above),
// or nothing when no installed font has it.
std::optional<MatchedFont> FallbackFont(const FontRequest& request, char32_t code, ScreenRenderer renderer);

// An installed face of a family.
struct InstalledFace {
    std::string file;
    int index = 0;
    std::string style;
    int weight = 80;
    int slant = 0;
};

// An installed family with its faces.
struct InstalledFamily {
    std::string family;
    bool fixedWidth = false;  // FC_SPACING mono or charcell, or every printable ASCII advance equal
    bool hasBold = false;     // a face of weight bold or more
    bool hasItalic = false;   // an italic or oblique face
    std::vector<InstalledFace> faces;
};

// Every family of scalable fonts fontconfig knows, by name; families whose faces say nothing
// of their spacing are opened to compare their ASCII advances.
std::vector<InstalledFamily> InstalledScreenFamilies();

// The fixed-width families of InstalledScreenFamilies.
std::vector<InstalledFamily> FixedWidthFamilies();
