#pragma once

#include <string_view>

// The subcommands of recognize-cli. Each takes the arguments after its name and returns the
// exit status: 0 success, 1 the work could not be done, 2 bad usage or unreadable input.
int RunNewCommand(int argc, char** argv);
int RunInfoCommand(int argc, char** argv);
int RunRenderCommand(int argc, char** argv);
int RunReadCommand(int argc, char** argv);
int RunNoiseCommand(int argc, char** argv);
int RunEvalCommand(int argc, char** argv);
int RunPageCommand(int argc, char** argv);
int RunGlyphsCommand(int argc, char** argv);

// One subcommand: the name it is called by, its line in --help, and what runs it.
struct CliCommand {
    std::string_view name;
    std::string_view summary;
    int (*run)(int argc, char** argv);
};

// Every subcommand, in the order --help lists them. Dispatch, --help and the manual page
// (made from --help) all follow this table: a new command is one more row.
inline constexpr CliCommand kCliCommands[] = {
    {"new", "make a new recognition document (.rdf)", RunNewCommand},
    {"info", "print the stored fields of a document as JSON", RunInfoCommand},
    {"render", "draw a text with a glyph font and save the picture as .BMP", RunRenderCommand},
    {"read", "recognise the text of a document or picture", RunReadCommand},
    {"noise", "add deterministic noise to a .BMP picture", RunNoiseCommand},
    {"eval", "measure Simple and Complex recognition over a corpus of noisy lines", RunEvalCommand},
    {"page", "read the lines of a picture (a screenshot) written in a known glyph font", RunPageCommand},
    {"glyphs", "render an installed family as a screen renders it into a glyph sheet, GLF font or glyph set", RunGlyphsCommand},
};
