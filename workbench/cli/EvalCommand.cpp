// recognize-cli eval: Simple and Complex recognition measured over a corpus of noisy lines.
#include "ByteStream.h"
#include "CDictionaryCache.h"
#include "CEvaluation.h"
#include "CliCommon.h"
#include "Commands.h"
#include "DataFiles.h"
#include "NumberList.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace {

const char* const kEvalUsage =
    "Usage: recognize-cli eval --corpus FILE [--font F.GLF] [--dict D] [--alphabet latin|cyrillic]\n"
    "                          [--space N] [--noise R1,R2,...] [--kind K] [--coefficient K1,K2,...]\n"
    "                          [--seeds N] [-j N] [--json OUT] [--csv OUT]\n"
    "                          [--open-words [--unknown-penalty P]]\n"
    "\n"
    "Renders every line of the corpus as \"Set text...\" does in a new document with that font,\n"
    "adds noise as \"Add Noise...\" does, reads the picture by Simple and by Complex recognition\n"
    "and compares each reading with the line: for every line, noise rate, seed 1..N and\n"
    "coefficient, one record per method. Prints the summary per method, rate and coefficient:\n"
    "CER (character edits / characters, with its 95 % confidence interval over lines and\n"
    "seeds), WER (word edits / words), the share of Complex readings without a cut into words\n"
    "and the readings per second of one thread.\n"
    "\n"
    "  --corpus FILE        UTF-8 text, one line per text; empty lines are skipped\n"
    "  --font F.GLF         glyph font (default Fonts/default.GLF, found as documents find it)\n"
    "  --dict D             word list of Complex recognition (default dict.dic, found likewise)\n"
    "  --alphabet A         alphabet of the word list: latin (default) or cyrillic\n"
    "  --space N            blank cells after each text (default 3)\n"
    "  --noise R1,R2,...    noise rates, 0 to 0.5 (default 0)\n"
    "  --kind K             flip (default), ink or erase\n"
    "  --coefficient K1,... recognition coefficients (default 0.2)\n"
    "  --seeds N            seeds 1..N of the noise for each line and rate (default 1)\n"
    "  -j, --jobs N         worker threads (default: one per core); the records are the same\n"
    "                       for any number\n"
    "  --open-words         also read every picture by the open dictionary step, which allows\n"
    "                       words outside the list (method open, as read --complex --words open)\n"
    "  --unknown-penalty P  the penalty of a word outside the list, 0 to 10 (default 0.2): each\n"
    "                       of its letters, read at cost c, costs c + P c^2 / (cell width x height)\n"
    "  --json OUT           write {\"records\": [...], \"summary\": [...]} to OUT\n"
    "  --csv OUT            write the summary rows as CSV to OUT\n"
    "\n"
    "Without --json and --csv the summary is printed as a table. A progress bar goes to stderr\n"
    "when it is a terminal, and the whole run's readings per second after it.\n"
    "Exit status: 0 success; 1 the font cannot be loaded or an output cannot be written; 2 bad\n"
    "usage, an unreadable corpus or dictionary, or a corpus line the code page lacks.\n";

// A bar of 40 characters with the share done, redrawn in place on a terminal.
class CProgressBar {
public:
    void Show(std::int64_t done, std::int64_t total) {
        const int permille = total > 0 ? static_cast<int>(done * 1000 / total) : 1000;
        if (permille == m_nShown)
            return;
        m_nShown = permille;
        std::string bar(40, ' ');
        for (int i = 0; i < permille * 40 / 1000; ++i)
            bar[static_cast<std::size_t>(i)] = '#';
        std::fprintf(stderr, "\r[%s] %3d.%d %% %lld/%lld", bar.c_str(), permille / 10, permille % 10,
                     static_cast<long long>(done), static_cast<long long>(total));
        std::fflush(stderr);
    }
    void Finish() {
        if (m_nShown >= 0)
            std::fputc('\n', stderr);
    }

private:
    int m_nShown = -1;
};

std::string RecordsAndSummaryJson(const std::vector<EvalRecord>& records, const std::vector<EvalSummaryRow>& summary) {
    CJsonWriter json;
    json.BeginObject();
    json.Key("records").BeginArray();
    for (const EvalRecord& r : records) {
        json.BeginObject();
        json.Key("line").Int(r.line);
        json.Key("text").Text(r.text);
        json.Key("noise").Number(r.noise);
        json.Key("kind").String(NoiseKindName(r.kind));
        json.Key("seed").Int(r.seed);
        json.Key("coefficient").Number(r.coefficient);
        json.Key("method").String(EvalMethodName(r.method));
        json.Key("reading").Text(r.reading);
        json.Key("cut").Bool(r.cut);
        json.Key("edits").Int(r.edits);
        json.Key("word_edits").Int(r.wordEdits);
        json.Key("seconds").Number(r.seconds);
        json.EndObject();
    }
    json.EndArray();
    json.Key("summary").BeginArray();
    for (const EvalSummaryRow& row : summary) {
        json.BeginObject();
        json.Key("method").String(EvalMethodName(row.method));
        json.Key("noise").Number(row.noise);
        json.Key("coefficient").Number(row.coefficient);
        json.Key("cer").Number(row.cer);
        json.Key("cer_low").Number(row.cerLow);
        json.Key("cer_high").Number(row.cerHigh);
        json.Key("wer").Number(row.wer);
        json.Key("no_cut").Number(row.noCut);
        json.Key("readings_per_second").Number(row.readingsPerSecond);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    std::string out = json.Result();
    out += '\n';
    return out;
}

std::string SummaryTable(const std::vector<EvalSummaryRow>& summary) {
    std::string table = "method   noise  coefficient  CER      95 % CI            WER      no cut  readings/s\n";
    char line[160];
    for (const EvalSummaryRow& row : summary) {
        std::snprintf(line, sizeof line, "%-7s  %5.3f  %11.3f  %7.4f  [%7.4f, %7.4f]  %7.4f  %6.3f  %10.0f\n",
                      EvalMethodName(row.method), row.noise, row.coefficient, row.cer, row.cerLow, row.cerHigh,
                      row.wer, row.noCut, row.readingsPerSecond);
        table += line;
    }
    return table;
}

bool WriteOutput(const std::string& path, const std::string& text) {
    if (WriteFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())))
        return true;
    PrintError(path + ": cannot write the file");
    return false;
}

}  // namespace

int RunEvalCommand(int argc, char** argv) {
    CCommandLine cl("eval", kEvalUsage);
    for (const char* name : {"--corpus", "--font", "--dict", "--alphabet", "--space", "--noise", "--kind",
                             "--coefficient", "--seeds", "--json", "--csv", "--unknown-penalty"})
        cl.AddOption(name);
    cl.AddFlag("--open-words");
    cl.AddOption("--jobs", "-j");
    if (std::optional<int> done = cl.Parse(argc, argv))
        return *done;
    if (!cl.Positionals().empty())
        return cl.UsageError("unexpected argument '" + cl.Positionals().front() + "'");
    std::optional<std::string> corpusPath = cl.Value("--corpus");
    if (!corpusPath)
        return cl.UsageError("the corpus (--corpus FILE) is missing");

    EvalSettings settings;
    if (std::optional<std::string> text = cl.Value("--noise")) {
        std::optional<std::vector<double>> values = ParseNumberList(*text);
        if (!values || !std::all_of(values->begin(), values->end(), NoiseRateAllowed))
            return cl.UsageError("--noise needs rates between 0 and 0.5 separated by commas, not '" + *text + "'");
        settings.noises = *values;
    }
    if (std::optional<std::string> text = cl.Value("--coefficient")) {
        std::optional<std::vector<double>> values = ParseNumberList(*text);
        if (!values)
            return cl.UsageError("--coefficient needs numbers separated by commas, not '" + *text + "'");
        settings.coefficients = *values;
    }
    if (std::optional<std::string> kind = cl.Value("--kind")) {
        std::optional<NoiseKind> value = ParseNoiseKind(*kind);
        if (!value)
            return cl.UsageError("--kind needs flip, ink or erase, not '" + *kind + "'");
        settings.kind = *value;
    }
    settings.bOpenWords = cl.Has("--open-words");
    if (std::optional<std::string> text = cl.Value("--unknown-penalty")) {
        std::optional<double> value = ParseNumber(*text);
        if (!value || !(*value >= 0 && *value <= OpenWordsOptions::kMaxPenalty))
            return cl.UsageError("--unknown-penalty needs a number from 0 to 10, not '" + *text + "'");
        if (!settings.bOpenWords)
            return cl.UsageError("--unknown-penalty needs --open-words");
        settings.unknownPenalty = *value;
    }
    const std::optional<int> alphabet = AlphabetValue(cl);
    if (!alphabet)
        return kExitUsage;
    std::optional<long long> space = cl.IntegerValue("--space", 3, 0, kMaxEvalSpace);
    std::optional<long long> seeds = cl.IntegerValue("--seeds", 1, 1, kMaxEvalSeeds);
    std::optional<long long> jobs = cl.IntegerValue("--jobs", 0, 1, 1024);
    if (!space || !seeds || !jobs)
        return kExitUsage;
    settings.space = static_cast<int>(*space);
    settings.seeds = static_cast<int>(*seeds);
    settings.threads = static_cast<int>(*jobs);

    std::vector<CorpusLine> lines;
    std::string error;
    if (!LoadCorpus(*corpusPath, lines, error)) {
        PrintError(*corpusPath + ": " + error);
        return kExitUsage;
    }

    // One font and one dictionary for the whole run, read by every thread.
    CCharImageFont font;
    const std::string fontPath = cl.Value("--font").value_or(FindDataFile(kDefaultFontPath));
    if (!LoadFontFile(font, fontPath))
        return kExitFailure;
    CDictionary dictionary;
    const std::optional<std::string> dictOption = cl.Value("--dict");
    const std::string dictPath = dictOption.value_or(FindDataFile(kDictionaryPath));
    const DictionaryLoadReport load = CDictionaryCache::Shared().Load(dictionary, dictPath, *alphabet);
    if (load.Unreadable() && dictOption) {
        PrintError(dictPath + ": cannot read the dictionary");
        return kExitUsage;
    }
    // A list past a bound is used as far as it was kept; the run then ends with 1.
    if (load.BoundReached())
        PrintError(WordListMessage(dictPath, load));

    const CEvaluation evaluation(font, dictionary);
    if (!evaluation.Check(lines, settings, error)) {
        PrintError(*corpusPath + ": " + error);
        return kExitUsage;
    }
    CProgressBar bar;
    CEvaluation::Progress progress;
    if (isatty(STDERR_FILENO))
        progress = [&bar](std::int64_t done, std::int64_t total) { bar.Show(done, total); };
    const auto start = std::chrono::steady_clock::now();
    const std::vector<EvalRecord> records = evaluation.Run(lines, settings, progress);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    bar.Finish();
    std::fprintf(stderr, "recognize-cli: eval: %zu readings in %.3f s, %.0f readings per second\n", records.size(),
                 seconds, seconds > 0 ? static_cast<double>(records.size()) / seconds : 0.0);

    const std::vector<EvalSummaryRow> summary = CEvaluation::Summarize(records);
    bool written = true;
    if (std::optional<std::string> path = cl.Value("--json"))
        written = WriteOutput(*path, RecordsAndSummaryJson(records, summary)) && written;
    if (std::optional<std::string> path = cl.Value("--csv"))
        written = WriteOutput(*path, SummaryCsv(summary)) && written;
    if (!cl.Has("--json") && !cl.Has("--csv")) {
        const std::string table = SummaryTable(summary);
        std::fwrite(table.data(), 1, table.size(), stdout);
    }
    return written && !load.BoundReached() ? kExitSuccess : kExitFailure;
}
