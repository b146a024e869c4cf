#include "referee/records/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace referee {

std::string sizeText(size_t bytes) {
    if (bytes >= (size_t{1} << 20) && bytes % (size_t{1} << 20) == 0)
        return std::to_string(bytes >> 20) + " MiB";
    if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + " bytes";
}

namespace {

// Reads fd to its end into r.text; more than limit bytes is an error (the rest unread).
void readUpTo(int fd, const std::string& name, size_t limit, FileRead& r) {
    char chunk[65536];
    for (;;) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got == 0) return;
        if (got < 0) {
            if (errno == EINTR) continue;
            r.error = "cannot read " + name + ": " + std::strerror(errno);
            return;
        }
        if (r.text.size() + static_cast<size_t>(got) > limit) {
            r.error = name + " is larger than " + sizeText(limit);
            return;
        }
        r.text.append(chunk, static_cast<size_t>(got));
    }
}

}  // namespace

FileRead readWholeFile(const std::string& path, size_t limit) {
    FileRead r;
    // Non-blocking, so that opening a pipe that has no writer does not wait for one.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        r.missing = errno == ENOENT;
        r.error = "cannot read " + path + ": " + std::strerror(errno);
        return r;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        r.error = path + " is not a regular file";
    else if (static_cast<unsigned long long>(st.st_size) > limit)
        r.error = path + " is larger than " + sizeText(limit);
    else
        readUpTo(fd, path, limit, r);
    close(fd);
    if (!r.error.empty()) r.text.clear();
    return r;
}

FileRead readWholeStream(int fd, const std::string& name, size_t limit) {
    FileRead r;
    readUpTo(fd, name, limit, r);
    if (!r.error.empty()) r.text.clear();
    return r;
}

std::optional<std::string> notWritableAsFile(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return std::nullopt;
    return path + " is not a regular file";
}

std::optional<std::string> writeFileAtomically(const std::string& path, const std::string& text) {
    // A rename would replace a device or a folder's entry, not write into it.
    if (auto wrong = notWritableAsFile(path)) return "cannot write " + *wrong;
    const std::string temp = path + ".part";
    // A new file of our own: whatever stood at the temporary name (a file left by a crash, or
    // a link placed to make the write land elsewhere) is removed, never written through.
    std::remove(temp.c_str());
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    bool written = fd >= 0;
    for (size_t done = 0; written && done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        written = n > 0;
        if (written) done += static_cast<size_t>(n);
    }
    if (fd >= 0 && close(fd) != 0) written = false;
    if (!written) {
        std::string why = std::strerror(errno);
        if (fd >= 0) std::remove(temp.c_str());
        return "cannot write " + temp + ": " + why;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::string why = std::strerror(errno);
        std::remove(temp.c_str());
        return "cannot write " + path + ": " + why;
    }
    return std::nullopt;
}

bool sameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    struct stat sa {
    }, sb{};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace referee
