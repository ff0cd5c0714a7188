// Loading a full 72 x 80 glyph font and the shipped word list.

#include "ByteStream.h"
#include "CCharImageFont.h"
#include "CDictionary.h"
#include "words/CDictionaryImage.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

namespace {

// GLF bytes of a font of all 256 codes, every glyph 72 x 80 with random bits.
std::vector<std::uint8_t> MakeFontBytes()
{
    std::mt19937 random(1);
    CCharImageFont font;
    font.m_nFirst = 0;
    font.m_nLast = 255;
    font.m_Glyphs.resize(256);
    for (CCharImage& glyph : font.m_Glyphs) {
        glyph.m_nWidth = 72;
        glyph.m_nHeight = 80;
        glyph.m_nBytesPerRow = 9;
        glyph.m_Bits.resize(9 * 80);
        for (auto& byte : glyph.m_Bits)
            byte = static_cast<std::uint8_t>(random());
    }
    CByteWriter writer;
    font.SaveToArchive(writer);
    return writer.Bytes();
}

const std::vector<std::uint8_t>& FontBytes()
{
    static const std::vector<std::uint8_t> bytes = MakeFontBytes();
    return bytes;
}

// The word lists measured: the shipped one, Debian's largest English list and the Russian
// list that the build makes from hunspell-ru.
struct WordList {
    std::string path;
    int alphabet;
};
const WordList kLists[] = {
    {std::string(RECOGNIZE_SOURCE_DIR) + "/data/dict.dic", 1},
    {"/usr/share/dict/american-english-insane", 1},
    {std::string(RECOGNIZE_BINARY_DIR) + "/data/dict-ru.dic", 0},
};

void LoadList(benchmark::State& state, CDictionary& dictionary, const WordList& list)
{
    dictionary.SetAlphabet(list.alphabet);
    if (!dictionary.LoadWords(list.path))
        state.SkipWithError("dictionary did not load whole");
}

// Loads a word list into a dictionary per iteration; reports its size per node and per word.
void LoadDictionary(benchmark::State& state)
{
    const WordList& list = kLists[state.range(0)];
    std::vector<std::uint8_t> text;
    if (!ReadWholeFile(list.path, text)) {
        state.SkipWithError((list.path + " not found").c_str());
        return;
    }
    std::size_t words = 0;
    for (std::uint8_t byte : text)
        words += byte == '\n';

    // From the text every time.
    std::size_t bytes = 0;
    std::size_t nodes = 0;
    for (auto _ : state) {
        CDictionary dictionary;
        LoadList(state, dictionary, list);
        bytes = dictionary.MemoryBytes();
        nodes = dictionary.NodeCount();
    }
    state.SetLabel(list.path.substr(list.path.rfind('/') + 1));
    state.counters["words"] = static_cast<double>(words);
    state.counters["nodes"] = static_cast<double>(nodes);
    state.counters["MiB"] = static_cast<double>(bytes) / (1 << 20);
    state.counters["bytes_per_node"] = static_cast<double>(bytes) / static_cast<double>(nodes);
    state.counters["bytes_per_word"] = static_cast<double>(bytes) / static_cast<double>(words);
}
// The first load of the process: its memory is fresh from the kernel, as when the program
// opens its first document. Registered first so that nothing has warmed the heap.
BENCHMARK(LoadDictionary)->Name("LoadDictionary/first")->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);
// Later loads reuse memory that an earlier dictionary gave back.
BENCHMARK(LoadDictionary)->Name("LoadDictionary/again")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// Loads a word list whose tree an earlier load kept as an image: the image is mapped and
// checked instead of the text being read.
void LoadDictionaryImage(benchmark::State& state)
{
    const WordList& list = kLists[state.range(0)];
    const std::string path = "/tmp/bench_glyphs_image_" + std::to_string(::getpid()) + ".tree";
    // The file part of the key is the caller's: any fixed value stands for one list.
    DictionaryImageKey key;
    {
        CDictionary first;
        first.SetAlphabet(list.alphabet);
        if (!first.LoadWords(list.path) || !first.SaveImage(path, key)) {
            state.SkipWithError((list.path + " did not load").c_str());
            return;
        }
        first.DescribeAlphabet(key);
    }
    std::size_t nodes = 0;
    for (auto _ : state) {
        CDictionary dictionary;
        dictionary.SetAlphabet(list.alphabet);
        if (!dictionary.UseImage(CDictionaryImage::Map(path, key)))
            state.SkipWithError("the image was refused");
        nodes = dictionary.NodeCount();
    }
    std::filesystem::remove(path);
    state.SetLabel(list.path.substr(list.path.rfind('/') + 1));
    state.counters["nodes"] = static_cast<double>(nodes);
}
BENCHMARK(LoadDictionaryImage)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void LoadFontFromMemory(benchmark::State& state)
{
    for (auto _ : state) {
        CCharImageFont font;
        CByteReader reader(FontBytes());
        if (!font.LoadFromArchive(reader))
            state.SkipWithError("font did not load");
        benchmark::DoNotOptimize(font.m_Glyphs.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * FontBytes().size()));
}
BENCHMARK(LoadFontFromMemory)->Unit(benchmark::kMicrosecond);

void LoadFontFromFile(benchmark::State& state)
{
    const std::string path = "/tmp/bench_glyphs_" + std::to_string(::getpid()) + ".GLF";
    if (!WriteFileAtomically(path, FontBytes())) {
        state.SkipWithError("cannot write the font file");
        return;
    }
    for (auto _ : state) {
        CCharImageFont font;
        if (!font.LoadFromFile(path))
            state.SkipWithError("font did not load");
        benchmark::DoNotOptimize(font.m_Glyphs.data());
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * FontBytes().size()));
}
BENCHMARK(LoadFontFromFile)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
