// Reading picture files: the time of a read and the memory it takes beyond what the process
// held (its peak resident set, measured in a child process), for the largest square picture,
// the tallest one, and an 8192 x 8192 screenshot in every compressed format. The JPEG and WebP
// files are made with ImageMagick's convert; without it those cases are skipped.
#include "PictureFile.h"

#include <benchmark/benchmark.h>

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::filesystem::path kFolder = std::filesystem::temp_directory_path() / "recognize-pictures-bench";

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data)
{
    PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, static_cast<std::uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

// A PNG of width x height pixels of 8-bit grey (channels 1) or RGB (3), each row given by row().
std::vector<std::uint8_t> MakePng(std::uint32_t width, std::uint32_t height, int channels,
                                  const std::function<void(std::uint32_t, std::uint8_t*)>& row)
{
    z_stream stream{};
    deflateInit(&stream, 1);
    std::vector<std::uint8_t> raw(1 + std::size_t{width} * channels);
    std::vector<std::uint8_t> compressed;
    std::vector<std::uint8_t> buffer(1 << 20);
    for (std::uint32_t y = 0; y < height; ++y) {
        raw[0] = 0;
        row(y, raw.data() + 1);
        stream.next_in = raw.data();
        stream.avail_in = static_cast<uInt>(raw.size());
        const int flush = y + 1 == height ? Z_FINISH : Z_NO_FLUSH;
        do {
            stream.next_out = buffer.data();
            stream.avail_out = static_cast<uInt>(buffer.size());
            deflate(&stream, flush);
            compressed.insert(compressed.end(), buffer.data(), buffer.data() + (buffer.size() - stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBigEndian(header, width);
    PutBigEndian(header, height);
    header.insert(header.end(), {8, static_cast<std::uint8_t>(channels == 1 ? 0 : 2), 0, 0, 0});
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", compressed);
    PutChunk(png, "IEND", {});
    return png;
}

// An 8192 x 8192 screenshot: rows of light text-like strokes on a dark background.
void ScreenRow(std::uint32_t y, std::uint8_t* out)
{
    for (std::uint32_t x = 0; x < 8192; ++x) {
        const bool ink = (y % 19) < 14 && ((x * 7 + (y % 19) * 3) % 10) < 3;
        out[3 * x] = ink ? 0xE0 : 0x1E;
        out[3 * x + 1] = ink ? 0xE0 : 0x1E;
        out[3 * x + 2] = ink ? 0xD0 : 0x2A;
    }
}

// The path of a bench picture, made on first use; empty when it cannot be made.
std::string Picture(const std::string& name)
{
    const std::filesystem::path path = kFolder / name;
    if (std::filesystem::exists(path))
        return path.string();
    std::filesystem::create_directories(kFolder);
    std::vector<std::uint8_t> bytes;
    if (name == "screen-8192.png") {
        bytes = MakePng(8192, 8192, 3, ScreenRow);
    } else if (name == "tall-1x67108864.png") {
        bytes = MakePng(1, 67108864, 1, [](std::uint32_t y, std::uint8_t* out) { *out = static_cast<std::uint8_t>(y); });
    } else {
        // JPEG and WebP files of the screenshot.
        const std::string source = Picture("screen-8192.png");
        const std::string options = name.ends_with(".webp")                        ? "-define webp:lossless=true"
                                    : name.find("progressive") != std::string::npos ? "-quality 90 -interlace Plane"
                                                                                    : "-quality 90";
        const std::string command = "convert '" + source + "' " + options + " '" + path.string() + "' 2>/dev/null";
        return !source.empty() && std::system(command.c_str()) == 0 ? path.string() : std::string();
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

// The growth of the peak resident set, in MiB, while a child process reads path.
double PeakMiB(const std::string& path)
{
    int pipe[2];
    if (::pipe(pipe) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        rusage before{}, after{};
        ::getrusage(RUSAGE_SELF, &before);
        const bool read = LoadPicture(path).Ok();
        ::getrusage(RUSAGE_SELF, &after);
        const double grown = read ? static_cast<double>(after.ru_maxrss - before.ru_maxrss) / 1024 : -1;
        const ssize_t written = ::write(pipe[1], &grown, sizeof grown);
        ::_exit(written == sizeof grown ? 0 : 1);
    }
    double grown = -1;
    if (::read(pipe[0], &grown, sizeof grown) != sizeof grown)
        grown = -1;
    ::close(pipe[0]);
    ::close(pipe[1]);
    ::waitpid(child, nullptr, 0);
    return grown;
}

void ReadPicture(benchmark::State& state, const std::string& name)
{
    const std::string path = Picture(name);
    if (path.empty()) {
        state.SkipWithError("the picture cannot be made (is ImageMagick's convert installed?)");
        return;
    }
    for (auto _ : state) {
        const PictureLoad load = LoadPicture(path);
        if (!load.Ok())
            state.SkipWithError(load.message.c_str());
        benchmark::DoNotOptimize(load.raster.Bits());
    }
    state.counters["file_MiB"] = static_cast<double>(std::filesystem::file_size(path)) / (1 << 20);
    state.counters["peak_MiB"] = PeakMiB(path);
}

}  // namespace

BENCHMARK_CAPTURE(ReadPicture, png_8192x8192, std::string("screen-8192.png"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadPicture, png_1x67108864, std::string("tall-1x67108864.png"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadPicture, jpeg_8192x8192, std::string("screen-8192.jpg"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadPicture, jpeg_progressive_8192x8192, std::string("screen-8192-progressive.jpg"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadPicture, webp_lossless_8192x8192, std::string("screen-8192.webp"))->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
