#include "JpegFile.h"

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace {

// Most scans read from a progressive file: encoders write about ten; thousands of empty scans
// only make the reading slow.
constexpr int kMaxScans = 1000;

// The decoder and what its callbacks found. Plain data only: libjpeg leaves an error by
// longjmp, which must skip no destructor.
struct JpegState {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    bool bNoMemory = false;      // an allocation failed
    bool bOverBudget = false;    // the picture needs more than kMaxJpegWorkBytes
    bool bTooManyScans = false;  // more than kMaxScans
    bool bEnded = false;         // the bytes ended before the end marker
    bool bDataMissing = false;   // a scan ended before the data it needed
    bool bCorrupt = false;       // the entropy-coded data contradict themselves
    bool bUnsupported = false;   // a kind of JPEG libjpeg does not decode (12-bit, lossless)
    char message[JMSG_LENGTH_MAX] = {};     // libjpeg's error
    char corruption[JMSG_LENGTH_MAX] = {};  // its first warning of corrupt data
};

JpegState* StateOf(j_common_ptr cinfo) {
    return static_cast<JpegState*>(cinfo->client_data);
}

[[noreturn]] void OnError(j_common_ptr cinfo) {
    JpegState* state = StateOf(cinfo);
    state->bNoMemory = cinfo->err->msg_code == JERR_OUT_OF_MEMORY;
    state->bOverBudget = cinfo->err->msg_code == JERR_NO_BACKING_STORE;
    state->bUnsupported = cinfo->err->msg_code == JERR_BAD_PRECISION || cinfo->err->msg_code == JERR_SOF_UNSUPPORTED;
    (*cinfo->err->format_message)(cinfo, state->message);
    std::longjmp(state->jump, 1);
}

// libjpeg reads past missing or corrupt data with a warning and fills the gap with grey; the
// warnings that mean so are kept, the others (extraneous bytes, unknown markers) ignored.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return;
    JpegState* state = StateOf(cinfo);
    switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
        state->bEnded = true;
        break;
    case JWRN_HIT_MARKER:
        state->bDataMissing = true;
        break;
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        if (!state->bCorrupt)
            (*cinfo->err->format_message)(cinfo, state->corruption);
        state->bCorrupt = true;
        break;
    default:
        break;
    }
}

void OnProgress(j_common_ptr cinfo) {
    auto* info = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (info->input_scan_number > kMaxScans) {
        JpegState* state = StateOf(cinfo);
        state->bTooManyScans = true;
        std::longjmp(state->jump, 1);
    }
}

// Reads the markers up to the first scan and chooses the output: 4-byte pixels in the memory
// order of a CRaster, or CMYK samples, which are turned into pixels afterwards. False after a
// libjpeg error; only trivially destructible objects live in this frame.
bool ReadHeader(JpegState* state, const std::uint8_t* data, std::size_t size) {
    if (setjmp(state->jump))
        return false;
    jpeg_create_decompress(&state->info);
    state->info.mem->max_memory_to_use = kMaxJpegWorkBytes;
    state->info.progress = &state->progress;
    jpeg_mem_src(&state->info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&state->info, TRUE);
    if (state->info.jpeg_color_space == JCS_CMYK || state->info.jpeg_color_space == JCS_YCCK)
        state->info.out_color_space = JCS_CMYK;
    else
        state->info.out_color_space = std::endian::native == std::endian::little ? JCS_EXT_BGRA : JCS_EXT_ARGB;
    return true;
}

// Decodes every row straight into its place in the picture. False after a libjpeg error;
// trivially destructible objects only, as above.
bool ReadRows(JpegState* state, CRaster* picture) {
    if (setjmp(state->jump))
        return false;
    jpeg_decompress_struct& info = state->info;
    jpeg_start_decompress(&info);
    if (static_cast<int>(info.output_width) != picture->width() ||
        static_cast<int>(info.output_height) != picture->height() || info.output_components != 4) {
        std::snprintf(state->message, sizeof state->message, "its pixels do not convert to 8-bit colour");
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(picture->Row(static_cast<int>(info.output_scanline)));
        if (jpeg_read_scanlines(&info, &row, 1) != 1) {
            std::snprintf(state->message, sizeof state->message, "a row cannot be decoded");
            return false;
        }
    }
    return true;
}

// Reads what follows the last scan, up to the end marker. False after a libjpeg error.
bool ReadEnd(JpegState* state) {
    if (setjmp(state->jump))
        return false;
    jpeg_finish_decompress(&state->info);
    return true;
}

// Turns the CMYK samples of a row into opaque 0xffRRGGBB pixels. Adobe's files store the
// samples inverted (255 is no ink), as most CMYK JPEGs do.
void CmykToPixels(std::uint32_t* row, int width, bool inverted) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(row);
    for (int x = 0; x < width; ++x) {
        std::uint32_t c = bytes[4 * x], m = bytes[4 * x + 1], y = bytes[4 * x + 2], k = bytes[4 * x + 3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        row[x] = 0xFF000000u | (c * k + 127) / 255 << 16 | (m * k + 127) / 255 << 8 | (y * k + 127) / 255;
    }
}

PictureLoad Refusal(const JpegState& state) {
    if (state.bNoMemory)
        return PictureLoad::NoMemory();
    if (state.bOverBudget)
        return PictureLoad::Refused(PictureProblem::TooLarge,
                                    "decoding the picture would take more than " +
                                        std::to_string(kMaxJpegWorkBytes >> 20) + " MiB of memory besides its pixels");
    if (state.bTooManyScans)
        return PictureLoad::Damaged("more than " + std::to_string(kMaxScans) + " scans");
    if (state.bUnsupported)
        return PictureLoad::Refused(PictureProblem::NotPicture,
                                    std::string("it is a kind of JPEG file that is not read (") + state.message + ")");
    if (state.bEnded)
        return PictureLoad::CutShort();
    return PictureLoad::Damaged(state.message);
}

}  // namespace

bool IsJpeg(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

PictureLoad DecodeJpeg(std::span<const std::uint8_t> bytes) {
    if (!IsJpeg(bytes))
        return PictureLoad::Refused(PictureProblem::NotPicture, "it is not a JPEG file");
    JpegState state;
    std::memset(&state.info, 0, sizeof state.info);
    state.info.client_data = &state;
    state.info.err = jpeg_std_error(&state.errors);
    state.errors.error_exit = OnError;
    state.errors.emit_message = OnMessage;
    std::memset(&state.progress, 0, sizeof state.progress);
    state.progress.progress_monitor = OnProgress;
    struct Destroy {
        jpeg_decompress_struct* info;
        ~Destroy() { jpeg_destroy_decompress(info); }
    } destroy{&state.info};

    if (!ReadHeader(&state, bytes.data(), bytes.size()))
        return Refusal(state);
    PictureLoad load = MakePicture(state.info.image_width, state.info.image_height);
    if (!load.Ok())
        return load;
    // A file of several scans is read whole before its first row: one whose bytes end early
    // may lack whole scans, which nothing tells.
    const bool bBuffered = jpeg_has_multiple_scans(&state.info) != 0;
    if (!ReadRows(&state, &load.raster))
        return Refusal(state);
    if (state.bCorrupt)
        return PictureLoad::Damaged(state.corruption);
    if (state.bDataMissing)
        return state.bEnded ? PictureLoad::CutShort()
                            : PictureLoad::Damaged("Corrupt JPEG data: premature end of data segment");
    if (state.bEnded && bBuffered)
        return PictureLoad::CutShort();
    if (state.info.out_color_space == JCS_CMYK)
        for (int y = 0; y < load.raster.height(); ++y)
            CmykToPixels(load.raster.Row(y), load.raster.width(), state.info.saw_Adobe_marker != 0);
    if (!ReadEnd(&state))
        load.warning = std::string("the file is damaged after its pixels (") + state.message + ")";
    else if (state.bEnded)
        load.warning = "the file is cut short after its pixels";
    return load;
}
