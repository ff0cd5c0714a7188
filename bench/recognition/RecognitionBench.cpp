// Simple recognition throughput against the bare XOR-and-popcount pass over the same bytes,
// and the growth of Complex recognition in time and memory with the number of cells.

#include "CComplexRecognizer.h"
#include "CRecognizeDoc.h"
#include "CSimpleRecognizer.h"
#include "MatchKernels.h"

#include <benchmark/benchmark.h>

#include <immintrin.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <map>
#include <new>
#include <random>
#include <sstream>
#include <time.h>
#include <string>
#include <vector>

// --- Heap accounting: the bytes live at any moment and their peak -------------------------

namespace {

std::atomic<long long> g_nLiveBytes{0};
std::atomic<long long> g_nPeakBytes{0};

void* CountedAlloc(std::size_t size, std::size_t alignment)
{
    void* p = alignment <= alignof(std::max_align_t) ? std::malloc(size == 0 ? 1 : size)
                                                     : std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
    if (p == nullptr)
        throw std::bad_alloc();
    const long long live = g_nLiveBytes += static_cast<long long>(malloc_usable_size(p));
    long long peak = g_nPeakBytes.load();
    while (live > peak && !g_nPeakBytes.compare_exchange_weak(peak, live)) {
    }
    return p;
}

void CountedFree(void* p)
{
    if (p == nullptr)
        return;
    g_nLiveBytes -= static_cast<long long>(malloc_usable_size(p));
    std::free(p);
}

}  // namespace

void* operator new(std::size_t size) { return CountedAlloc(size, 0); }
void* operator new[](std::size_t size) { return CountedAlloc(size, 0); }
void* operator new(std::size_t size, std::align_val_t a) { return CountedAlloc(size, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return CountedAlloc(size, static_cast<std::size_t>(a)); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, std::size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { CountedFree(p); }
void operator delete(void* p, std::align_val_t) noexcept { CountedFree(p); }
void operator delete[](void* p, std::align_val_t) noexcept { CountedFree(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { CountedFree(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { CountedFree(p); }

namespace {

// Seconds of CPU time of this thread: the machine may be shared, and the bound and the
// recognition are compared by the work they did.
double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

MatchPath PathOf(const benchmark::State& state)
{
    return SupportedMatchPaths().at(static_cast<std::size_t>(state.range(0)));
}

// --- Simple recognition: 72 x 80 cells, 256 glyphs ------------------------------------------

constexpr int kCellWidth = 72;
constexpr int kCellHeight = 80;
constexpr int kGlyphBytes = (kCellWidth + 7) / 8 * kCellHeight;  // 720
constexpr int kSimpleCells = 200;

CCharImageFont MakeNoiseFont(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    CCharImageFont font;
    font.m_nFirst = 0;
    font.m_nLast = 255;
    font.m_Glyphs.resize(256);
    for (CCharImage& glyph : font.m_Glyphs) {
        glyph.m_nWidth = static_cast<std::uint8_t>(width);
        glyph.m_nHeight = static_cast<std::uint8_t>(height);
        glyph.m_nBytesPerRow = (width + 7) / 8;
        glyph.m_Bits.resize(static_cast<std::size_t>(glyph.m_nBytesPerRow) * height);
        for (auto& byte : glyph.m_Bits)
            byte = static_cast<std::uint8_t>(random());
    }
    return font;
}

// Flips about one pixel in density of the picture to black or white.
void AddNoise(CRaster& picture, int density, unsigned seed)
{
    std::mt19937 random(seed);
    const long long pixels = static_cast<long long>(picture.width()) * picture.height();
    for (long long i = pixels / density; i > 0; --i)
        picture.SetPixel(static_cast<int>(random() % picture.width()), static_cast<int>(random() % picture.height()),
                         random() & 1 ? CRaster::kBlack : CRaster::kWhite);
}

struct SimpleSetup {
    CRecognizeDoc doc;
    SimpleSetup()
    {
        doc.m_Font = MakeNoiseFont(kCellWidth, kCellHeight, 7);
        std::mt19937 random(3);
        std::string text;
        for (int i = 0; i < kSimpleCells; ++i)
            text += static_cast<char>(random() % 256);
        doc.m_nAdditionalSpace = 0;
        doc.m_nCells = kSimpleCells;
        doc.m_bHasPicture = doc.RenderText(doc.m_Picture, text);
        AddNoise(doc.m_Picture, 50, 11);
    }
};

SimpleSetup& Simple()
{
    static SimpleSetup setup;
    return setup;
}

// Cells per second of the bound pass for each path, measured by BM_XorPopcountBound.
std::map<int, double> g_BoundRate;

// The bare pass that bounds Simple recognition: one cell's 720 bytes XORed with each of the
// 256 glyphs' 720 bytes, stored back to back, and the bits counted, with the plainest code
// each instruction set allows.
std::uint64_t Word(const std::uint8_t* p)
{
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

void BoundPortable(const std::uint8_t* cell, const std::uint8_t* glyphs, std::int32_t* out)
{
    for (int g = 0; g < 256; ++g) {
        const std::uint8_t* row = glyphs + g * kGlyphBytes;
        std::uint64_t sum = 0;
        for (int i = 0; i < kGlyphBytes; i += 8) {
            std::uint64_t x = Word(cell + i) ^ Word(row + i);
            x = x - ((x >> 1) & 0x5555555555555555ULL);
            x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
            x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
            sum += (x * 0x0101010101010101ULL) >> 56;
        }
        out[g] = static_cast<std::int32_t>(sum);
    }
}

__attribute__((target("popcnt")))
void BoundScalar(const std::uint8_t* cell, const std::uint8_t* glyphs, std::int32_t* out)
{
    for (int g = 0; g < 256; ++g) {
        const std::uint8_t* row = glyphs + g * kGlyphBytes;
        std::uint64_t sum = 0;
        for (int i = 0; i < kGlyphBytes; i += 8)
            sum += static_cast<std::uint64_t>(__builtin_popcountll(Word(cell + i) ^ Word(row + i)));
        out[g] = static_cast<std::int32_t>(sum);
    }
}

__attribute__((target("avx2")))
void BoundAvx2(const std::uint8_t* cell, const std::uint8_t* glyphs, std::int32_t* out)
{
    const __m256i table = _mm256_setr_epi8(0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4,
                                           0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4);
    const __m256i low = _mm256_set1_epi8(0x0F);
    const __m256i tail = _mm256_setr_epi64x(-1, -1, 0, 0);  // 720 = 22 x 32 + 16
    for (int g = 0; g < 256; ++g) {
        const std::uint8_t* row = glyphs + g * kGlyphBytes;
        __m256i acc = _mm256_setzero_si256();
        for (int i = 0; i < kGlyphBytes; i += 32) {
            __m256i a, b;
            if (i + 32 <= kGlyphBytes) {
                a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cell + i));
                b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + i));
            } else {
                a = _mm256_maskload_epi64(reinterpret_cast<const long long*>(cell + i), tail);
                b = _mm256_maskload_epi64(reinterpret_cast<const long long*>(row + i), tail);
            }
            const __m256i x = _mm256_xor_si256(a, b);
            const __m256i n = _mm256_add_epi8(_mm256_shuffle_epi8(table, _mm256_and_si256(x, low)),
                                              _mm256_shuffle_epi8(table, _mm256_and_si256(_mm256_srli_epi16(x, 4), low)));
            acc = _mm256_add_epi64(acc, _mm256_sad_epu8(n, _mm256_setzero_si256()));
        }
        const __m128i s = _mm_add_epi64(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
        out[g] = static_cast<std::int32_t>(_mm_cvtsi128_si64(s) + _mm_extract_epi64(s, 1));
    }
}

__attribute__((target("avx512f,avx512bw,avx512vpopcntdq")))
void BoundAvx512(const std::uint8_t* cell, const std::uint8_t* glyphs, std::int32_t* out)
{
    for (int g = 0; g < 256; ++g) {
        const std::uint8_t* row = glyphs + g * kGlyphBytes;
        __m512i acc = _mm512_setzero_si512();
        for (int i = 0; i < kGlyphBytes; i += 64) {
            const __mmask64 mask = i + 64 <= kGlyphBytes ? ~__mmask64{0} : (__mmask64{1} << (kGlyphBytes - i)) - 1;
            const __m512i x = _mm512_xor_si512(_mm512_maskz_loadu_epi8(mask, cell + i), _mm512_maskz_loadu_epi8(mask, row + i));
            acc = _mm512_add_epi64(acc, _mm512_popcnt_epi64(x));
        }
        alignas(64) std::uint64_t lanes[8];
        _mm512_store_si512(lanes, acc);
        out[g] = static_cast<std::int32_t>(lanes[0] + lanes[1] + lanes[2] + lanes[3] + lanes[4] + lanes[5] + lanes[6] + lanes[7]);
    }
}

void BM_XorPopcountBound(benchmark::State& state)
{
    const MatchPath path = PathOf(state);
    const CCharImageFont& font = Simple().doc.m_Font;
    std::vector<std::uint8_t> glyphs(256 * kGlyphBytes);
    for (int g = 0; g < 256; ++g)
        std::memcpy(glyphs.data() + g * kGlyphBytes, font.m_Glyphs[g].m_Bits.data(), kGlyphBytes);
    std::vector<std::uint8_t> cell(font.m_Glyphs[65].m_Bits);
    std::vector<std::int32_t> costs(256);

    long long cells = 0;
    const double start = CpuSeconds();
    for (auto _ : state) {
        switch (path) {
        case MatchPath::Avx512: BoundAvx512(cell.data(), glyphs.data(), costs.data()); break;
        case MatchPath::Avx2: BoundAvx2(cell.data(), glyphs.data(), costs.data()); break;
        case MatchPath::ScalarPopcount: BoundScalar(cell.data(), glyphs.data(), costs.data()); break;
        case MatchPath::Portable: BoundPortable(cell.data(), glyphs.data(), costs.data()); break;
        }
        benchmark::DoNotOptimize(costs.data());
        benchmark::ClobberMemory();
        ++cells;
    }
    const double seconds = CpuSeconds() - start;
    g_BoundRate[static_cast<int>(path)] = static_cast<double>(cells) / seconds;
    state.SetLabel(std::string(MatchPathName(path)));
    state.SetItemsProcessed(cells);
    state.SetBytesProcessed(cells * 256LL * kGlyphBytes);
}

// Simple recognition of kSimpleCells cells of a noisy picture, capture and variants included.
void BM_SimpleRecognition(benchmark::State& state)
{
    const MatchPath path = PathOf(state);
    CRecognizeDoc& doc = Simple().doc;
    const CellGrid grid{kCellWidth / 2, kCellHeight / 2, kCellWidth, kCellHeight};
    const CSimpleRecognizer recognizer(path);
    long long cells = 0;
    const double start = CpuSeconds();
    for (auto _ : state) {
        SimpleResult result = recognizer.Recognize(doc.m_Picture, doc.m_Font, grid, kSimpleCells, 0.2);
        benchmark::DoNotOptimize(result.text.data());
        cells += kSimpleCells;
    }
    const double rate = static_cast<double>(cells) / (CpuSeconds() - start);
    state.SetLabel(std::string(MatchPathName(path)));
    state.SetItemsProcessed(cells);
    state.SetBytesProcessed(cells * 256LL * kGlyphBytes);
    state.counters["cells_per_s"] = rate;
    const auto bound = g_BoundRate.find(static_cast<int>(path));
    if (bound != g_BoundRate.end()) {
        state.counters["bound_cells_per_s"] = bound->second;
        state.counters["ratio_to_bound"] = rate / bound->second;
    }
}

// The document's command, which adds the copy of the last cell and the hand-over of results.
void BM_OnRecognizeSimple(benchmark::State& state)
{
    CRecognizeDoc& doc = Simple().doc;
    long long cells = 0;
    for (auto _ : state) {
        doc.OnRecognizeSimple();
        cells += kSimpleCells;
    }
    state.SetLabel(std::string(MatchPathName(FastestMatchPath())));
    state.SetItemsProcessed(cells);
}

void PathArguments(benchmark::internal::Benchmark* b)
{
    for (std::size_t i = 0; i < SupportedMatchPaths().size(); ++i)
        b->Arg(static_cast<int>(i));
}

BENCHMARK(BM_XorPopcountBound)->Apply(PathArguments)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SimpleRecognition)->Apply(PathArguments)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OnRecognizeSimple)->Unit(benchmark::kMillisecond);

// --- Complex recognition: 16 x 24 cells, the shipped dictionary, noisy pictures --------------

std::string SourcePath(const std::string& relative)
{
    return std::string(RECOGNIZE_SOURCE_DIR) + "/" + relative;
}

// A 16 x 24 font with real letter shapes: the shipped default font's glyphs cut to 24 rows
// from their middle; a font of noise when that font is not there.
CCharImageFont MakeLetterFont()
{
    CCharImageFont source;
    if (!source.LoadFromFile(SourcePath("data/Fonts/default.GLF")) || source.CellWidth() != 16 || source.CellHeight() < 24)
        return MakeNoiseFont(16, 24, 5);
    const int skip = (source.CellHeight() - 24) / 2;
    CCharImageFont font;
    font.m_nFirst = source.m_nFirst;
    font.m_nLast = source.m_nLast;
    for (const CCharImage& glyph : source.m_Glyphs) {
        CCharImage cut = glyph;
        if (glyph.m_nWidth == 16 && glyph.m_nHeight == source.CellHeight()) {
            cut.m_nHeight = 24;
            cut.m_Bits.assign(glyph.m_Bits.begin() + skip * 2, glyph.m_Bits.begin() + (skip + 24) * 2);
        }
        font.m_Glyphs.push_back(std::move(cut));
    }
    return font;
}

// The shipped word list, or lowercase words of the system's list when it is not there.
std::string DictionaryPath()
{
    const std::string shipped = SourcePath("data/dict.dic");
    if (std::ifstream(shipped).good())
        return shipped;
    const std::string made = "/tmp/recognize-bench-dict.dic";
    std::ifstream in("/usr/share/dict/american-english");
    std::ofstream out(made);
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line.find_first_not_of("abcdefghijklmnopqrstuvwxyz") == std::string::npos)
            out << line << '\n';
    return made;
}

struct ComplexSetup {
    CRecognizeDoc doc;
    std::vector<std::string> words;
    std::string dictionaryPath = DictionaryPath();

    ComplexSetup()
    {
        doc.m_Font = MakeLetterFont();
        doc.m_Dictionary.SetAlphabet(1);
        doc.m_Dictionary.LoadWords(dictionaryPath);
        std::ifstream in(dictionaryPath);
        for (std::string line; std::getline(in, line);)
            if (!line.empty() && line.size() <= 8)
                words.push_back(line);
    }

    // A noisy picture of cells positions of dictionary words and spaces.
    void Draw(int cells, unsigned seed)
    {
        std::mt19937 random(seed);
        std::string text;
        while (static_cast<int>(text.size()) < cells - 1) {
            text += words[random() % words.size()];
            text += ' ';
        }
        text.resize(static_cast<std::size_t>(cells - 1));
        text += ' ';
        doc.m_nAdditionalSpace = 0;
        doc.m_nCells = cells;
        doc.m_bHasPicture = doc.RenderText(doc.m_Picture, text);
        AddNoise(doc.m_Picture, 25, seed + 1);
    }
};

ComplexSetup& Complex()
{
    static ComplexSetup setup;
    return setup;
}

// The whole command: Simple recognition, then the dictionary step. Reports the seconds per
// run and the peak of the heap above what the document held before.
void BM_OnRecognizeComplex(benchmark::State& state)
{
    ComplexSetup& setup = Complex();
    const int cells = static_cast<int>(state.range(0));
    setup.Draw(cells, 99);
    setup.doc.m_pPrefixLists.clear();
    setup.doc.m_pCharVariants.clear();
    long long peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        setup.doc.m_pPrefixLists = {};
        setup.doc.m_pCharVariants = {};
        const long long before = g_nLiveBytes.load();
        g_nPeakBytes = before;
        state.ResumeTiming();
        setup.doc.OnRecognizeComplex();
        peak = std::max(peak, g_nPeakBytes.load() - before);
    }
    double variants = 0;
    for (const CCharVariants& v : setup.doc.m_pCharVariants)
        variants += v.m_nCount;
    state.counters["cells"] = cells;
    state.counters["peak_extra_MB"] = static_cast<double>(peak) / (1 << 20);
    state.counters["variants_per_cell"] = variants / cells;
    state.counters["words_found"] = setup.doc.m_strResultText.find_first_not_of(' ') != std::string::npos ? 1 : 0;
    state.SetItemsProcessed(state.iterations() * cells);
}

// The growth from 1,000 to 10,000 cells, measured in one run with the two sizes taking turns,
// so that both see the same load on the machine. The 1,000-cell runs go through ten pictures
// of different words, as many as the 10,000-cell picture holds, so that neither size finds
// more of the dictionary in the cache than the other.
void BM_ComplexScaling(benchmark::State& state)
{
    ComplexSetup& setup = Complex();
    constexpr int kSmall = 1000;
    constexpr int kLarge = 10000;
    std::vector<CRaster> small;
    for (unsigned i = 0; i < kLarge / kSmall; ++i) {
        setup.Draw(kSmall, 200 + i);
        small.push_back(setup.doc.m_Picture);
    }
    setup.Draw(kLarge, 99);
    CRaster large = setup.doc.m_Picture;

    double smallSeconds = 0, largeSeconds = 0;
    long long smallPeak = 0, largePeak = 0;
    long long smallRuns = 0, largeRuns = 0;
    auto run = [&](CRaster& picture, int cells, double& seconds, long long& peak) {
        setup.doc.m_pPrefixLists = {};
        setup.doc.m_pCharVariants = {};
        std::swap(setup.doc.m_Picture, picture);
        setup.doc.m_nCells = cells;
        const long long before = g_nLiveBytes.load();
        g_nPeakBytes = before;
        const double start = CpuSeconds();
        setup.doc.OnRecognizeComplex();
        seconds += CpuSeconds() - start;
        peak = std::max(peak, g_nPeakBytes.load() - before);
        std::swap(setup.doc.m_Picture, picture);
    };
    for (auto _ : state) {
        for (CRaster& picture : small) {
            run(picture, kSmall, smallSeconds, smallPeak);
            ++smallRuns;
        }
        run(large, kLarge, largeSeconds, largePeak);
        ++largeRuns;
    }
    const double smallMs = 1e3 * smallSeconds / static_cast<double>(smallRuns);
    const double largeMs = 1e3 * largeSeconds / static_cast<double>(largeRuns);
    state.counters["ms_1000"] = smallMs;
    state.counters["ms_10000"] = largeMs;
    state.counters["time_ratio"] = largeMs / smallMs;
    state.counters["peak_MB_1000"] = static_cast<double>(smallPeak) / (1 << 20);
    state.counters["peak_MB_10000"] = static_cast<double>(largePeak) / (1 << 20);
    state.counters["memory_ratio"] = static_cast<double>(largePeak) / static_cast<double>(smallPeak);
}

// The same growth with the open dictionary step (words outside the list allowed).
void BM_OpenScaling(benchmark::State& state)
{
    Complex().doc.SetOpenWords(true);
    BM_ComplexScaling(state);
    Complex().doc.SetOpenWords(false);
}

// The dictionary step alone over the variants of one Simple run.
void BM_DictionaryStep(benchmark::State& state)
{
    ComplexSetup& setup = Complex();
    const int cells = static_cast<int>(state.range(0));
    setup.Draw(cells, 99);
    setup.doc.OnRecognizeSimple();
    std::vector<CPrefixList> lists;
    long long peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        lists = {};
        const long long before = g_nLiveBytes.load();
        g_nPeakBytes = before;
        state.ResumeTiming();
        ComplexResult result = CComplexRecognizer().Recognize(cells, setup.doc.m_pCharVariants, setup.doc.m_Dictionary,
                                                              lists, [](PrefixListsStatus) {});
        benchmark::DoNotOptimize(result.text.data());
        peak = std::max(peak, g_nPeakBytes.load() - before);
    }
    state.counters["cells"] = cells;
    state.counters["peak_extra_MB"] = static_cast<double>(peak) / (1 << 20);
    state.SetItemsProcessed(state.iterations() * cells);
}

// What "recognize-cli read --complex" does with a 40-character line, inside this process: a
// new document with the shipped default font and word list, the picture loaded from a .BMP
// file, Complex recognition. Wall time. A fresh process also has to map the dictionary's
// memory, which the runs of this loop reuse: time the program itself for the whole figure.
void BM_ReadComplex40(benchmark::State& state)
{
    const std::string font = SourcePath("data/Fonts/default.GLF");
    const std::string dictionary = DictionaryPath();
    const std::string picture = "/tmp/recognize-bench-line40.bmp";
    {
        CRecognizeDoc doc;
        if (!doc.NewDocument(font, dictionary) || !doc.SetText("the quick brown fox jumps over lazy dogs") ||
            !doc.SaveBitmap(picture)) {
            state.SkipWithError("the default font or the picture is not there");
            return;
        }
    }
    std::string result;
    for (auto _ : state) {
        CRecognizeDoc doc;
        doc.NewDocument(font, dictionary);
        doc.LoadBitmap(picture);
        doc.OnRecognizeComplex();
        result = doc.m_strResultText;
    }
    state.SetLabel(result);
}

BENCHMARK(BM_OnRecognizeComplex)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadComplex40)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ComplexScaling)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OpenScaling)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DictionaryStep)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::string paths;
    for (MatchPath path : SupportedMatchPaths())
        paths += std::string(paths.empty() ? "" : ", ") + std::string(MatchPathName(path));
    benchmark::AddCustomContext("match_paths", paths);
    benchmark::AddCustomContext("fastest_path", std::string(MatchPathName(FastestMatchPath())));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
