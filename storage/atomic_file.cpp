#include "storage/atomic_file.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tonmark {

namespace {

std::string Folder(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// A write that hits the file-size limit must come back as EFBIG, not kill us.
void IgnoreFileSizeSignal() {
    static const bool done = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        return true;
    }();
    (void)done;
}

} // namespace

std::string WriteFileAtomically(const std::string& path, std::string_view bytes) {
    IgnoreFileSizeSignal();
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return std::strerror(EISDIR);
    std::string tmp = path + ".XXXXXX";
    const int fd = mkstemp(tmp.data());
    if (fd < 0)
        return std::strerror(errno);
    // Keep the permissions of the file being replaced, else the usual 0644.
    fchmod(fd, stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    const char* p = bytes.data();
    size_t left = bytes.size();
    int err = 0;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (err == 0 && fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && std::rename(tmp.c_str(), path.c_str()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(tmp.c_str());
        return std::strerror(err);
    }
    // Make the rename itself durable.
    const int dir = ::open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        fsync(dir);
        ::close(dir);
    }
    return {};
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        if (error)
            *error = std::strerror(errno);
        return false;
    }
    bytes.clear();
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (error)
                *error = std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        bytes.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

} // namespace tonmark
