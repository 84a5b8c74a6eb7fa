// A tool for the developers: runs many damaged copies of real 3DS files through
// the import fuzz target (tests/fuzz/ImportFuzzer.cpp), damaged the way files
// arrive from the internet: bit flips, truncations, edited chunk lengths and
// pieces spliced in from other files, one to three at a time.
// Prints how long the inputs took; an input that takes longer than the limit
// is saved beside the last input, which stays on disk should the process die.
//
//   mutation_campaign COUNT SEED LIMIT_SECONDS FINDINGS_FOLDER FILE_OR_FOLDER...

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "TemporaryFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

Bytes ReadBytes(const fs::path& path) {
    const std::string text = ReadFile(path);
    return Bytes(text.begin(), text.end());
}

std::uint32_t ReadLength(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at + 2]) | (static_cast<std::uint32_t>(bytes[at + 3]) << 8) |
           (static_cast<std::uint32_t>(bytes[at + 4]) << 16) | (static_cast<std::uint32_t>(bytes[at + 5]) << 24);
}

// Where chunk headers are: the top chunk and the children of the chunks that
// hold nothing but children.
std::vector<std::size_t> ChunkHeaders(const Bytes& bytes) {
    static const std::uint16_t containers[] = {0x4D4D, 0x3D3D, 0xAFFF, 0xB000, 0x4100, 0xB001, 0xB002,
                                               0xB003, 0xB004, 0xB005, 0xB006, 0xB007, 0xA200};
    std::vector<std::size_t> headers;
    std::vector<std::pair<std::size_t, std::size_t>> ranges{{0, bytes.size()}};
    while (!ranges.empty() && headers.size() < 100000) {
        auto [at, end] = ranges.back();
        ranges.pop_back();
        while (at + 6 <= end) {
            const std::uint32_t length = ReadLength(bytes, at);
            headers.push_back(at);
            if (length < 6 || length > end - at) break;
            const std::uint16_t id = static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
            if (std::find(std::begin(containers), std::end(containers), id) != std::end(containers)) {
                ranges.emplace_back(at + 6, at + length);
            }
            at += length;
        }
    }
    return headers;
}

void Mutate(Bytes& bytes, const std::vector<Bytes>& files, std::mt19937_64& random) {
    auto below = [&random](std::size_t bound) { return bound == 0 ? 0 : std::size_t(random() % bound); };
    switch (below(4)) {
        case 0:  // bit flips
            for (std::size_t flip = below(8) + 1; flip > 0 && !bytes.empty(); --flip) {
                bytes[below(bytes.size())] ^= static_cast<std::uint8_t>(1u << below(8));
            }
            break;
        case 1:  // truncation
            bytes.resize(below(bytes.size()));
            break;
        case 2: {  // an edited chunk length
            const std::vector<std::size_t> headers = ChunkHeaders(bytes);
            if (headers.empty()) break;
            const std::size_t at = headers[below(headers.size())];
            const std::uint32_t length = ReadLength(bytes, at);
            const std::uint32_t lengths[] = {0, 1, 5, 6, 7, length - 1, length + 1, length * 2, 0x7FFFFFFF,
                                             0xFFFFFFFF, static_cast<std::uint32_t>(bytes.size() - at),
                                             static_cast<std::uint32_t>(random())};
            const std::uint32_t chosen = lengths[below(std::size(lengths))];
            for (int shift = 0; shift < 4; ++shift) bytes[at + 2 + shift] = static_cast<std::uint8_t>(chosen >> (8 * shift));
            break;
        }
        default: {  // a piece of another file spliced in
            const Bytes& other = files[below(files.size())];
            if (other.empty()) break;
            const std::size_t from = below(other.size());
            const std::size_t count = std::min<std::size_t>(below(4096) + 1, other.size() - from);
            const auto to = static_cast<std::ptrdiff_t>(below(bytes.size() + 1));
            if (random() % 2 == 0) {
                bytes.insert(bytes.begin() + to, other.begin() + static_cast<std::ptrdiff_t>(from),
                             other.begin() + static_cast<std::ptrdiff_t>(from + count));
            } else {
                bytes.resize(std::max(bytes.size(), static_cast<std::size_t>(to) + count));
                std::copy_n(other.begin() + static_cast<std::ptrdiff_t>(from), count, bytes.begin() + to);
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s COUNT SEED LIMIT_SECONDS FINDINGS_FOLDER FILE_OR_FOLDER...\n", argv[0]);
        return 2;
    }
    const long count = std::atol(argv[1]);
    std::mt19937_64 random(std::strtoull(argv[2], nullptr, 10));
    const double limitSeconds = std::atof(argv[3]);
    const fs::path findings = argv[4];
    fs::create_directories(findings);
    std::vector<Bytes> files;
    for (int argument = 5; argument < argc; ++argument) {
        if (fs::is_directory(argv[argument])) {
            for (const auto& entry : fs::directory_iterator(argv[argument])) {
                const std::string extension = entry.path().extension().string();
                if (extension == ".3ds" || extension == ".3DS") files.push_back(ReadBytes(entry.path()));
            }
        } else {
            files.push_back(ReadBytes(argv[argument]));
        }
    }
    if (files.empty()) return 2;

    // A run that never ends is a hang: say so and leave its input behind.
    std::atomic<long> running{-1};
    std::atomic<std::int64_t> startedAt{0};
    std::thread([&] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
            if (running >= 0 && now - startedAt > std::int64_t{60} * 1'000'000'000) {
                std::fprintf(stderr, "input %ld runs for more than 60 s: %s\n", running.load(),
                             (findings / "last-input.3ds").c_str());
                std::abort();
            }
        }
    }).detach();

    std::vector<double> seconds;
    seconds.reserve(static_cast<std::size_t>(count));
    for (long index = 0; index < count; ++index) {
        Bytes mutant = files[static_cast<std::size_t>(index) % files.size()];
        for (std::size_t round = random() % 3 + 1; round > 0; --round) Mutate(mutant, files, random);
        WriteFile(findings / "last-input.3ds", std::string(mutant.begin(), mutant.end()));
        const auto start = std::chrono::steady_clock::now();
        startedAt = start.time_since_epoch().count();
        running = index;
        LLVMFuzzerTestOneInput(mutant.data(), mutant.size());
        running = -1;
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (seconds.back() > limitSeconds) {
            WriteFile(findings / ("slow-" + std::to_string(index) + ".3ds"), {mutant.begin(), mutant.end()});
        }
        if ((index + 1) % 10000 == 0) std::fprintf(stderr, "%ld inputs\n", index + 1);
    }
    fs::remove(findings / "last-input.3ds");

    std::vector<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    const auto at = [&sorted](double share) { return sorted[static_cast<std::size_t>(share * double(sorted.size() - 1))]; };
    const long slow = std::count_if(seconds.begin(), seconds.end(), [&](double value) { return value > limitSeconds; });
    std::printf("inputs %zu, median %.1f ms, 99%% %.1f ms, 99.9%% %.1f ms, slowest %.1f ms, over %.1f s: %ld\n",
                sorted.size(), at(0.5) * 1e3, at(0.99) * 1e3, at(0.999) * 1e3, sorted.back() * 1e3, limitSeconds, slow);
    return slow == 0 ? 0 : 1;
}
