#include "JpegCheck.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <csetjmp>

#include <jpeglib.h>

#include "ImageLimits.h"

namespace korvanta::image {
namespace {

// A progressive file can ask for any number of scans over the same pixels,
// each costing a full pass; real encoders write a dozen or so.
constexpr int kMaxProgressiveScans = 500;

// libjpeg reports a fatal error by calling error_exit, which must not return:
// it jumps back to the decode below, whose frame holds nothing that needs
// destroying besides the decompressor, destroyed after the jump.
struct JpegSession {
    jpeg_error_mgr errors{};  // first, so that libjpeg's pointer to it leads back here
    jpeg_decompress_struct decompressor{};
    jpeg_progress_mgr progress{};
    std::jmp_buf failure{};
};

[[noreturn]] void LeaveOnError(j_common_ptr common) {
    auto* session = reinterpret_cast<JpegSession*>(common->err);
    std::longjmp(session->failure, 1);
}

// Warnings (a missing end marker, stray bytes) would go to standard error.
void KeepQuiet(j_common_ptr) {}

void LimitScans(j_common_ptr common) {
    auto* decompressor = reinterpret_cast<j_decompress_ptr>(common);
    if (decompressor->progressive_mode && decompressor->input_scan_number > kMaxProgressiveScans) {
        common->err->error_exit(common);
    }
}

}  // namespace

ImageOutcome<ImageSize> CheckJpeg(std::span<const std::uint8_t> bytes, ImageReading reading) {
    JpegSession session;
    session.decompressor.err = jpeg_std_error(&session.errors);
    session.errors.error_exit = LeaveOnError;
    session.errors.output_message = KeepQuiet;
    session.progress.progress_monitor = LimitScans;

    // Set before the jump point and only read after it, as setjmp requires.
    volatile bool overLimit = false;
    if (setjmp(session.failure) != 0) {
        jpeg_destroy_decompress(&session.decompressor);
        return overLimit ? ImageRefusal::OverLimit : ImageRefusal::Damaged;
    }
    jpeg_create_decompress(&session.decompressor);
    session.decompressor.progress = &session.progress;
    jpeg_mem_src(&session.decompressor, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&session.decompressor, TRUE);

    const ImageSize size{session.decompressor.image_width, session.decompressor.image_height};
    if (!IsWithinImageLimits(size)) {
        overLimit = true;
        std::longjmp(session.failure, 1);
    }
    if (reading == ImageReading::HeaderOnly) {
        jpeg_destroy_decompress(&session.decompressor);
        return size;
    }
    jpeg_start_decompress(&session.decompressor);
    const JDIMENSION rowBytes = session.decompressor.output_width *
                                static_cast<JDIMENSION>(session.decompressor.output_components);
    JSAMPARRAY row = session.decompressor.mem->alloc_sarray(reinterpret_cast<j_common_ptr>(&session.decompressor),
                                                            JPOOL_IMAGE, rowBytes, 1);
    while (session.decompressor.output_scanline < session.decompressor.output_height) {
        jpeg_read_scanlines(&session.decompressor, row, 1);
    }
    jpeg_finish_decompress(&session.decompressor);
    jpeg_destroy_decompress(&session.decompressor);
    return size;
}

}  // namespace korvanta::image
