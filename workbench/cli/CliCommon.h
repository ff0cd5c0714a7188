#pragma once

#include "IMessageSink.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CCharImageFont;
class CRecognizeDoc;

// Shared helpers of the recognize-cli subcommands. Every subcommand receives only the
// arguments after its own name (argv[0] is the first of them).

inline constexpr int kExitSuccess = 0;  // the work was done
inline constexpr int kExitFailure = 1;  // the work could not be done (save failed, font invalid)
inline constexpr int kExitUsage = 2;    // bad usage or unreadable input

// The version printed by --version, e.g. "recognize-cli 1.0.0".
std::string VersionText();

// Prints message on stderr, each of its lines prefixed with "recognize-cli: ".
void PrintError(std::string_view message);

// Prints the document's messages on stderr: "recognize-cli: [context: ]title: text".
class CStderrMessageSink final : public IMessageSink {
public:
    void ShowMessage(std::string_view text, std::string_view title, MessageIcon icon) override;
    void Beep() override {}
    // The note that names the file and the cause goes on a line of its own.
    void ShowNote(std::string_view text) override { PrintError(text); }
    // A file name or other context put in front of the following messages; empty for none.
    void SetContext(std::string context) { m_strContext = std::move(context); }
    int MessageCount() const { return m_nMessages; }

private:
    std::string m_strContext;
    int m_nMessages = 0;
};

// The options of one subcommand. Options with a value are given as "--name VALUE",
// "--name=VALUE" or, with a short name, "-o VALUE"; flags stand alone; "--" ends the options.
// --help/-h and --version are known to every command.
class CCommandLine {
public:
    // command is the subcommand's name ("new"); usage the full help text printed by --help.
    CCommandLine(std::string command, std::string usage);

    void AddOption(std::string name, std::string shortName = {});
    void AddFlag(std::string name, std::string shortName = {});

    // Parses the arguments. Returns the exit status when the command is finished already
    // (--help printed the usage on stdout: 0; --version: 0; a usage error printed on
    // stderr: 2), nothing when the command should go on.
    std::optional<int> Parse(int argc, char** argv);

    bool Has(std::string_view name) const;
    // The value of an option (the last one when given more than once).
    std::optional<std::string> Value(std::string_view name) const;
    // Every value of an option given more than once, in order.
    std::vector<std::string> Values(std::string_view name) const;
    const std::vector<std::string>& Positionals() const { return m_Positionals; }

    // Prints "recognize-cli: <command>: message" and a pointer to --help; returns 2.
    int UsageError(std::string_view message) const;
    // Reads an integer option in [minimum, maximum]; fallback when absent, nothing (after
    // a usage error) when it is not such an integer.
    std::optional<long long> IntegerValue(std::string_view name, long long fallback,
                                          long long minimum, long long maximum) const;

private:
    struct OptionInfo {
        std::string name;
        std::string shortName;
        bool takesValue = false;
    };
    const OptionInfo* Find(std::string_view argument) const;

    std::string m_strCommand;
    std::string m_strUsage;
    std::vector<OptionInfo> m_Options;
    std::vector<std::pair<std::string, std::string>> m_Values;  // option name, value
    std::vector<std::string> m_Positionals;
};

// A decimal integer in [minimum, maximum], the whole text; nothing otherwise.
std::optional<long long> ParseInteger(std::string_view text, long long minimum, long long maximum);
// A decimal floating-point number, the whole text; nothing otherwise.
std::optional<double> ParseNumber(std::string_view text);

// Converts UTF-8 from the command line or a file to Windows-1251. Nothing, after the message
// "<what>: ..." on stderr, when the text is not UTF-8 or holds a character that the code page
// lacks; the caller then exits with 2.
std::optional<std::string> ToCp1251(std::string_view utf8, std::string_view what);
// Converts a Windows-1251 text of a document or font to UTF-8.
std::string ToUtf8(std::string_view cp1251);
// Reads a UTF-8 text file as Windows-1251, without one trailing line break ("\n" or "\r\n").
// Nothing, after a message on stderr, when it cannot be read or converted.
std::optional<std::string> ReadTextFile(const std::string& path);

// Makes doc a new document as the program makes one, with the font and dictionary files
// given (Fonts/default.GLF and dict.dic found by FindDataFile when absent). Messages go to
// sink, with the font's path as context. An empty dictPath leaves the dictionary empty.
// Returns kExitSuccess, kExitFailure when the font cannot be loaded, or kExitUsage when a
// dictionary that was named cannot be read.
// The dictionary's alphabet is alphabet (1 Latin, 0 Cyrillic); its word list is read at the
// first Complex recognition.
int MakeNewDocument(CRecognizeDoc& doc, CStderrMessageSink& sink,
                    const std::optional<std::string>& fontPath,
                    const std::optional<std::string>& dictPath, int alphabet = 1);
// The value of --alphabet: 1 for "latin" (also when absent), 0 for "cyrillic"; nothing,
// after a usage error, for anything else.
std::optional<int> AlphabetValue(const CCommandLine& cl);
// The dictionary step chosen by --words (list or open, which needs --complex) and the open
// step's --unknown-penalty (0..10, which needs --words open).
struct WordsChoice {
    bool bOpen = false;
    double dPenalty = 0.2;
};
// Nothing, after a usage error, for a value or combination that is not allowed.
std::optional<WordsChoice> WordsValue(const CCommandLine& cl);
// Loads a stand-alone GLF file into font (cleared first); false after
// "recognize-cli: <path>: Loading GLF file: Invalid CharImageFont File".
bool LoadFontFile(CCharImageFont& font, const std::string& path);

// A JSON string literal, quotes included, of UTF-8 text.
std::string JsonString(std::string_view utf8);
// A JSON number: the shortest text that reads back as value; null for NaN and infinities.
std::string JsonNumber(double value);
std::string JsonNumber(long long value);

// Builds one compact JSON value: commas and colons are placed by the writer.
class CJsonWriter {
public:
    CJsonWriter& BeginObject();
    CJsonWriter& EndObject();
    CJsonWriter& BeginArray();
    CJsonWriter& EndArray();
    // The name of the next member of the current object.
    CJsonWriter& Key(std::string_view name);
    CJsonWriter& String(std::string_view utf8);
    // A Windows-1251 text of the document, written as a UTF-8 JSON string.
    CJsonWriter& Text(std::string_view cp1251);
    CJsonWriter& Int(long long value);
    CJsonWriter& Number(double value);
    CJsonWriter& Bool(bool value);
    CJsonWriter& Null();

    const std::string& Result() const { return m_strOut; }

private:
    void BeforeValue();

    std::string m_strOut;
    std::vector<bool> m_First;  // per open object or array: no member written yet
    bool m_bAfterKey = false;
};
