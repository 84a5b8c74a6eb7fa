#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <streambuf>

namespace hollin::utils {
namespace {

bool WriteAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A stream buffer that writes to a file descriptor and remembers why a
// write failed.
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int descriptor) : descriptor_(descriptor) { setp(buffer_.data(), buffer_.data() + buffer_.size()); }

    int Error() const { return error_; }

protected:
    int_type overflow(int_type c) override {
        if (!Drain()) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    // Large blocks go straight to the file rather than through the buffer.
    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        if (count < static_cast<std::streamsize>(buffer_.size())) return std::streambuf::xsputn(bytes, count);
        if (!Drain() || !Write({bytes, static_cast<std::size_t>(count)})) return 0;
        return count;
    }

    int sync() override { return Drain() ? 0 : -1; }

private:
    bool Drain() {
        const bool written = Write({pbase(), static_cast<std::size_t>(pptr() - pbase())});
        setp(buffer_.data(), buffer_.data() + buffer_.size());
        return written;
    }

    bool Write(std::string_view bytes) {
        if (error_ != 0) return false;
        if (!WriteAll(descriptor_, bytes)) {
            error_ = errno != 0 ? errno : EIO;
            return false;
        }
        written_ += bytes.size();
        // Large files start on their way to the disk while the rest is still
        // being written, so that the final sync waits for little more than the tail.
        if (written_ - writebackStarted_ >= kWritebackStep) {
            ::sync_file_range(descriptor_, static_cast<off_t>(writebackStarted_),
                              static_cast<off_t>(written_ - writebackStarted_), SYNC_FILE_RANGE_WRITE);
            writebackStarted_ = written_;
        }
        return true;
    }

    static constexpr std::size_t kWritebackStep = std::size_t{16} << 20;

    int descriptor_;
    int error_ = 0;
    std::size_t written_ = 0;
    std::size_t writebackStarted_ = 0;
    std::array<char, 1 << 16> buffer_{};
};

mode_t PermissionsFor(const std::string& path) {
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) return existing.st_mode & 07777;
    return 0644;
}

// A rename is only durable once the folder entry itself reaches the disk.
void SyncFolder(const std::filesystem::path& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

bool Fail(std::string* error, const std::string& what, const std::string& path, int code) {
    if (error != nullptr) *error = what + " " + path + ": " + std::strerror(code);
    return false;
}

}  // namespace

bool ReplaceFileAtomically(const std::string& utf8Path, const std::function<bool(std::ostream&)>& write,
                           std::string* error) {
    const std::filesystem::path target(utf8Path);
    if (!target.has_filename()) return Fail(error, "no file name in", utf8Path, EINVAL);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0) return Fail(error, "cannot create a temporary file beside", utf8Path, errno);

    int code = 0;  // why the temporary file could not be written, when it could not
    try {
        DescriptorBuffer buffer(descriptor);
        std::ostream stream(&buffer);
        if (!write(stream) || !stream.flush()) code = buffer.Error() != 0 ? buffer.Error() : EIO;
    } catch (...) {
        ::close(descriptor);
        ::unlink(temporary.c_str());
        throw;
    }
    // The data and the length are what must reach the disk before the rename; times need not.
    if (code == 0 && (::fchmod(descriptor, PermissionsFor(utf8Path)) != 0 || ::fdatasync(descriptor) != 0)) code = errno;
    if (::close(descriptor) != 0 && code == 0) code = errno;
    if (code != 0) {
        ::unlink(temporary.c_str());
        return Fail(error, "cannot write", utf8Path, code);
    }
    if (::rename(temporary.c_str(), utf8Path.c_str()) != 0) {
        code = errno;
        ::unlink(temporary.c_str());
        return Fail(error, "cannot replace", utf8Path, code);
    }
    SyncFolder(folder);
    return true;
}

bool ReplaceFileAtomically(const std::string& utf8Path, std::string_view contents, std::string* error) {
    const auto write = [contents](std::ostream& stream) {
        return static_cast<bool>(stream.write(contents.data(), static_cast<std::streamsize>(contents.size())));
    };
    return ReplaceFileAtomically(utf8Path, write, error);
}

}  // namespace hollin::utils
