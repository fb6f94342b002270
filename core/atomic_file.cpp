#include "core/atomic_file.h"

#include <cerrno>
#include <cstdio>
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

// The file a chain of symbolic links ends at (the path itself when it is no
// link, or a name that does not exist yet). Fails with ELOOP on a cycle.
bool ResolveLinks(std::string& path, int& err) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return true;
        std::string target(4096, '\0');
        const ssize_t n = readlink(path.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<size_t>(n) >= target.size()) {
            err = n < 0 ? errno : ENAMETOOLONG;
            return false;
        }
        target.resize(static_cast<size_t>(n));
        path = target[0] == '/' ? target : Folder(path) + "/" + target;
    }
    err = ELOOP;
    return false;
}

// Whether the user may write the existing file. root may write anything, but
// a file without any write bit is read-only to its user too.
bool Writable(const std::string& path, const struct stat& st) {
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return false;
    return access(path.c_str(), W_OK) == 0;
}

// Writes bytes into a new temporary file beside target, flushed to disk, with
// the given permissions. Returns 0 and the temporary file's name, or errno.
int WriteTemporary(const std::string& target, std::string_view bytes, mode_t mode,
                   std::string& tmp) {
    // A short name: the target's own name may already use all 255 bytes.
    tmp = Folder(target) + "/.tonmark-XXXXXX";
    const int fd = mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    fchmod(fd, mode);
    int err = 0;
    const char* p = bytes.data();
    size_t left = bytes.size();
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
    if (err != 0)
        ::unlink(tmp.c_str());
    return err;
}

mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Makes a rename or link in the folder durable.
void SyncFolder(const std::string& target) {
    const int dir = ::open(Folder(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        ::close(dir);
    }
}

} // namespace

FileResult WriteFileAtomically(const std::string& path, std::string_view bytes) {
    const auto fail = [&path](const char* reason) {
        return FileResult::Failed(FileFailure::CannotWrite, path, reason);
    };
    std::string target = path;
    int err = 0;
    if (!ResolveLinks(target, err))
        return fail(std::strerror(err));
    struct stat st {};
    const bool exists = stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        return fail(std::strerror(EISDIR));
    if (exists && !S_ISREG(st.st_mode))
        return fail(kNotRegularFile);
    if (exists && !Writable(target, st))
        return fail(std::strerror(EACCES));
    std::string tmp;
    err = WriteTemporary(target, bytes, exists ? (st.st_mode & 07777) : NewFileMode(), tmp);
    if (err == 0 && std::rename(tmp.c_str(), target.c_str()) != 0) {
        err = errno;
        ::unlink(tmp.c_str());
    }
    if (err != 0)
        return fail(std::strerror(err));
    SyncFolder(target);
    return FileResult::Ok();
}

FileResult CreateFileAtomically(const std::string& path, std::string_view bytes, bool& created) {
    created = false;
    struct stat st {};
    // Anything in the place, even a dangling link, is the user's.
    if (lstat(path.c_str(), &st) == 0)
        return FileResult::Ok();
    std::string tmp;
    int err = WriteTemporary(path, bytes, NewFileMode(), tmp);
    if (err != 0)
        return FileResult::Failed(FileFailure::CannotWrite, path, std::strerror(err));
    // link() refuses an existing name, so a file that appeared meanwhile stays.
    bool moved = false;
    if (::link(tmp.c_str(), path.c_str()) == 0) {
        created = true;
    } else if (errno != EEXIST) {
        // File systems without hard links: the same refusal from renameat2.
        if (::renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0)
            created = moved = true;
        else if (errno != EEXIST)
            err = errno;
    }
    if (!moved)
        ::unlink(tmp.c_str());
    if (err != 0)
        return FileResult::Failed(FileFailure::CannotWrite, path, std::strerror(err));
    if (created)
        SyncFolder(path);
    return FileResult::Ok();
}

FileResult ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes) {
    const auto fail = [&path](int e, const char* text = nullptr) {
        return FileResult::Failed(FileFailure::CannotOpen, path, text ? text : std::strerror(e));
    };
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(errno);
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        return fail(e);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return fail(EISDIR);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(0, kNotRegularFile);
    }
    if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
        ::close(fd);
        return fail(EFBIG);
    }
    bytes.clear();
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int e = errno;
            ::close(fd);
            return fail(e);
        }
        if (n == 0)
            break;
        // The file may have grown since fstat.
        if (bytes.size() + static_cast<size_t>(n) > maxBytes) {
            ::close(fd);
            bytes.clear();
            return fail(EFBIG);
        }
        bytes.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return FileResult::Ok();
}

} // namespace tonmark
