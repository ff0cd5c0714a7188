#include "CliCommon.h"

#include "ByteStream.h"
#include "CCharImageFont.h"
#include "CRecognizeDoc.h"
#include "CodePage1251.h"
#include "DataFiles.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

#ifndef RECOGNIZE_VERSION
#define RECOGNIZE_VERSION "0.0.0"
#endif

std::string VersionText() {
    return std::string("recognize-cli ") + RECOGNIZE_VERSION;
}

void PrintError(std::string_view message) {
    std::string out;
    std::size_t start = 0;
    while (start <= message.size()) {
        std::size_t end = message.find('\n', start);
        if (end == std::string_view::npos)
            end = message.size();
        out += "recognize-cli: ";
        out += message.substr(start, end - start);
        out += '\n';
        start = end + 1;
    }
    std::fputs(out.c_str(), stderr);
    std::fflush(stderr);
}

void CStderrMessageSink::ShowMessage(std::string_view text, std::string_view title, MessageIcon) {
    ++m_nMessages;
    std::string line;
    if (!m_strContext.empty())
        line += m_strContext + ": ";
    if (!title.empty()) {
        line += title;
        line += ": ";
    }
    // A message box may break its text into lines; stderr gets one line per message.
    for (char c : text)
        line += (c == '\n') ? ' ' : c;
    PrintError(line);
}

// --- Command line -------------------------------------------------------------------------

CCommandLine::CCommandLine(std::string command, std::string usage)
    : m_strCommand(std::move(command)), m_strUsage(std::move(usage)) {}

void CCommandLine::AddOption(std::string name, std::string shortName) {
    m_Options.push_back({std::move(name), std::move(shortName), true});
}

void CCommandLine::AddFlag(std::string name, std::string shortName) {
    m_Options.push_back({std::move(name), std::move(shortName), false});
}

const CCommandLine::OptionInfo* CCommandLine::Find(std::string_view argument) const {
    for (const OptionInfo& option : m_Options)
        if (argument == option.name || (!option.shortName.empty() && argument == option.shortName))
            return &option;
    return nullptr;
}

std::optional<int> CCommandLine::Parse(int argc, char** argv) {
    bool optionsEnded = false;
    for (int i = 0; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            m_Positionals.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs(m_strUsage.c_str(), stdout);
            return kExitSuccess;
        }
        if (arg == "--version") {
            std::printf("%s\n", VersionText().c_str());
            return kExitSuccess;
        }
        std::string_view name = arg;
        std::optional<std::string> inlineValue;
        if (arg.starts_with("--")) {
            std::size_t equals = arg.find('=');
            if (equals != std::string_view::npos) {
                name = arg.substr(0, equals);
                inlineValue = std::string(arg.substr(equals + 1));
            }
        }
        const OptionInfo* option = Find(name);
        if (option == nullptr)
            return UsageError("unknown option '" + std::string(name) + "'");
        if (!option->takesValue) {
            if (inlineValue)
                return UsageError("option '" + option->name + "' takes no value");
            m_Values.emplace_back(option->name, std::string());
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= argc)
                return UsageError("option '" + option->name + "' needs a value");
            inlineValue = std::string(argv[++i]);
        }
        m_Values.emplace_back(option->name, std::move(*inlineValue));
    }
    return std::nullopt;
}

bool CCommandLine::Has(std::string_view name) const {
    for (const auto& [option, value] : m_Values)
        if (option == name)
            return true;
    return false;
}

std::optional<std::string> CCommandLine::Value(std::string_view name) const {
    std::optional<std::string> result;
    for (const auto& [option, value] : m_Values)
        if (option == name)
            result = value;
    return result;
}

std::vector<std::string> CCommandLine::Values(std::string_view name) const {
    std::vector<std::string> values;
    for (const auto& [option, value] : m_Values)
        if (option == name)
            values.push_back(value);
    return values;
}

int CCommandLine::UsageError(std::string_view message) const {
    PrintError(m_strCommand + ": " + std::string(message) + "\nTry 'recognize-cli " + m_strCommand +
               " --help'.");
    return kExitUsage;
}

std::optional<long long> CCommandLine::IntegerValue(std::string_view name, long long fallback,
                                                    long long minimum, long long maximum) const {
    std::optional<std::string> text = Value(name);
    if (!text)
        return fallback;
    std::optional<long long> value = ParseInteger(*text, minimum, maximum);
    if (!value)
        UsageError("option '" + std::string(name) + "' needs an integer between " +
                   std::to_string(minimum) + " and " + std::to_string(maximum) + ", not '" +
                   *text + "'");
    return value;
}

std::optional<long long> ParseInteger(std::string_view text, long long minimum, long long maximum) {
    if (!text.empty() && text[0] == '+')
        text.remove_prefix(1);
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

std::optional<double> ParseNumber(std::string_view text) {
    if (!text.empty() && text[0] == '+')
        text.remove_prefix(1);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// --- Texts --------------------------------------------------------------------------------

std::optional<std::string> ToCp1251(std::string_view utf8, std::string_view what) {
    std::size_t badOffset = 0;
    std::optional<std::string> text = Utf8ToCp1251(utf8, &badOffset);
    if (!text) {
        PrintError(std::string(what) + ": the character at byte " + std::to_string(badOffset) +
                   " is not valid UTF-8 or has no place in the code page Windows-1251");
    }
    return text;
}

std::string ToUtf8(std::string_view cp1251) {
    return Cp1251ToUtf8(cp1251);
}

std::optional<std::string> ReadTextFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        PrintError(path + ": cannot read the file");
        return std::nullopt;
    }
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.ends_with("\r\n"))
        text.remove_suffix(2);
    else if (text.ends_with('\n'))
        text.remove_suffix(1);
    return ToCp1251(text, path);
}

// --- Documents and fonts ------------------------------------------------------------------

int MakeNewDocument(CRecognizeDoc& doc, CStderrMessageSink& sink,
                    const std::optional<std::string>& fontPath,
                    const std::optional<std::string>& dictPath, int alphabet) {
    std::string font = fontPath ? *fontPath : FindDataFile(kDefaultFontPath);
    std::string dict = dictPath ? *dictPath : FindDataFile(kDictionaryPath);
    if (!dict.empty() && dictPath && !std::ifstream(dict, std::ios::binary)) {
        PrintError(dict + ": cannot read the dictionary");
        return kExitUsage;
    }
    doc.SetMessageSink(&sink);
    doc.SetDictionaryChoice(dictPath ? *dictPath : std::string(), alphabet);
    sink.SetContext(font);
    const bool made = doc.NewDocument(font, dict);
    sink.SetContext({});
    return made ? kExitSuccess : kExitFailure;
}

std::optional<int> AlphabetValue(const CCommandLine& cl) {
    const std::optional<std::string> value = cl.Value("--alphabet");
    if (!value || *value == "latin")
        return 1;
    if (*value == "cyrillic")
        return 0;
    cl.UsageError("--alphabet needs latin or cyrillic, not '" + *value + "'");
    return std::nullopt;
}

std::optional<WordsChoice> WordsValue(const CCommandLine& cl) {
    WordsChoice choice;
    choice.dPenalty = OpenWordsOptions::kDefaultPenalty;
    if (std::optional<std::string> words = cl.Value("--words")) {
        if (*words != "list" && *words != "open") {
            cl.UsageError("--words needs list or open, not '" + *words + "'");
            return std::nullopt;
        }
        if (!cl.Has("--complex")) {
            cl.UsageError("--words needs --complex");
            return std::nullopt;
        }
        choice.bOpen = *words == "open";
    }
    if (std::optional<std::string> text = cl.Value("--unknown-penalty")) {
        std::optional<double> value = ParseNumber(*text);
        if (!value || !(*value >= 0 && *value <= OpenWordsOptions::kMaxPenalty)) {
            cl.UsageError("--unknown-penalty needs a number from 0 to 10, not '" + *text + "'");
            return std::nullopt;
        }
        if (!choice.bOpen) {
            cl.UsageError("--unknown-penalty needs --complex --words open");
            return std::nullopt;
        }
        choice.dPenalty = *value;
    }
    return choice;
}

bool LoadFontFile(CCharImageFont& font, const std::string& path) {
    font.Clear();
    if (font.LoadFromFile(path))
        return true;
    PrintError(path + ": Loading GLF file: Invalid CharImageFont File");
    return false;
}

// --- JSON ---------------------------------------------------------------------------------

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value))
        return "null";
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (error != std::errc())
        return "null";
    return std::string(buffer, end);
}

std::string JsonNumber(long long value) {
    return std::to_string(value);
}

void CJsonWriter::BeforeValue() {
    if (m_bAfterKey) {
        m_bAfterKey = false;
        return;
    }
    if (!m_First.empty()) {
        if (!m_First.back())
            m_strOut += ',';
        m_First.back() = false;
    }
}

CJsonWriter& CJsonWriter::BeginObject() {
    BeforeValue();
    m_strOut += '{';
    m_First.push_back(true);
    return *this;
}

CJsonWriter& CJsonWriter::EndObject() {
    m_strOut += '}';
    m_First.pop_back();
    return *this;
}

CJsonWriter& CJsonWriter::BeginArray() {
    BeforeValue();
    m_strOut += '[';
    m_First.push_back(true);
    return *this;
}

CJsonWriter& CJsonWriter::EndArray() {
    m_strOut += ']';
    m_First.pop_back();
    return *this;
}

CJsonWriter& CJsonWriter::Key(std::string_view name) {
    BeforeValue();
    m_strOut += JsonString(name);
    m_strOut += ':';
    m_bAfterKey = true;
    return *this;
}

CJsonWriter& CJsonWriter::String(std::string_view utf8) {
    BeforeValue();
    m_strOut += JsonString(utf8);
    return *this;
}

CJsonWriter& CJsonWriter::Text(std::string_view cp1251) {
    return String(Cp1251ToUtf8(cp1251));
}

CJsonWriter& CJsonWriter::Int(long long value) {
    BeforeValue();
    m_strOut += JsonNumber(value);
    return *this;
}

CJsonWriter& CJsonWriter::Number(double value) {
    BeforeValue();
    m_strOut += JsonNumber(value);
    return *this;
}

CJsonWriter& CJsonWriter::Bool(bool value) {
    BeforeValue();
    m_strOut += value ? "true" : "false";
    return *this;
}

CJsonWriter& CJsonWriter::Null() {
    BeforeValue();
    m_strOut += "null";
    return *this;
}
