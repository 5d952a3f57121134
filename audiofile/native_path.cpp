#include "audiofile/native_path.h"

#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace korvalest::plugins {

#ifdef _WIN32

std::filesystem::path nativePath(const std::wstring& path) { return std::filesystem::path(path); }

std::FILE* createExclusiveFile(const std::wstring& path) {
    int fd = -1;
    if (_wsopen_s(&fd, path.c_str(), _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY, _SH_DENYWR,
                  _S_IREAD | _S_IWRITE) != 0 || fd < 0)
        return nullptr;
    std::FILE* file = _fdopen(fd, "w+b");
    if (file == nullptr) {
        _close(fd);
        return nullptr;
    }
    std::setvbuf(file, nullptr, _IONBF, 0);
    return file;
}

int64_t streamFileSize(std::FILE* file) {
    struct _stati64 st;
    if (_fstati64(_fileno(file), &st) != 0) return -1;
    return st.st_size;
}

bool truncateStreamFile(std::FILE* file, uint64_t size) {
    return _chsize_s(_fileno(file), static_cast<__int64>(size)) == 0;
}

void adviseLargeBuffer(void*, size_t) {}

#else

std::filesystem::path nativePath(const std::wstring& path) {
    // wchar_t is UTF-32 here; a surrogate pair is still joined, anything that
    // is not a scalar value becomes U+FFFD.
    std::string out;
    out.reserve(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        uint32_t c = static_cast<uint32_t>(path[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < path.size()) {
            uint32_t low = static_cast<uint32_t>(path[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return std::filesystem::path(out);
}

std::FILE* createExclusiveFile(const std::wstring& path) {
    const std::filesystem::path native = nativePath(path);
    int fd = ::open(native.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "w+b");
    if (file == nullptr) {
        ::close(fd);
        return nullptr;
    }
    // Unbuffered: after a failed write the file holds exactly what the system
    // accepted, with no stray buffer flushed later behind the final header.
    std::setvbuf(file, nullptr, _IONBF, 0);
    return file;
}

int64_t streamFileSize(std::FILE* file) {
    struct stat st;
    if (::fstat(::fileno(file), &st) != 0) return -1;
    return st.st_size;
}

bool truncateStreamFile(std::FILE* file, uint64_t size) {
    return ::ftruncate(::fileno(file), static_cast<off_t>(size)) == 0;
}

void adviseLargeBuffer(void* data, size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t kHuge = uintptr_t{2} << 20;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kHuge - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE); // only a hint
#else
    (void)data;
    (void)bytes;
#endif
}

#endif

} // namespace korvalest::plugins
