#include <clipboard/clipboard.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// File names in the store are at most this long; the escaping triples a byte at worst.
constexpr size_t MaxNameLength = 250;

std::mutex g_mutex;
std::string g_path; // the current clipboard path; empty is the default clipboard

int fail(int error)
{
    errno = error;
    return -1;
}

bool hasControl(const char *bytes, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x20 || c == 0x7f)
            return true;
    }
    return false;
}

// One file name for any byte string: letters, digits, '-', '_' and '+' stay, every other byte
// becomes %XX. No escaped name contains '/', starts with '.' or is "." or "..".
std::string escape(const char *bytes, size_t length)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string name;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '+') {
            name += char(c);
        } else {
            name += '%';
            name += hex[c >> 4];
            name += hex[c & 15];
        }
    }
    return name;
}

// A folder of the store: made (0700) when missing; refused unless it is a real folder of ours.
bool ownFolder(const std::string &path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return false;
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (::lstat(path.c_str(), &st) != 0)
            return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        errno = EACCES;
        return false;
    }
    return true;
}

// The folder of the current clipboard, checked (and made) down from the store's root.
bool clipboardFolder(std::string *folder)
{
    std::string root;
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') {
        root = std::string(runtime) + "/qz";
    } else {
        root = "/tmp/qz-" + std::to_string(::geteuid());
    }
    if (!ownFolder(root) || !ownFolder(root += "/clipboard"))
        return false;
    std::string path;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        path = g_path;
    }
    *folder =
        root + (path.empty() ? std::string("/default") : "/p-" + escape(path.data(), path.size()));
    return ownFolder(*folder);
}

// The file holding \a type's data in the current clipboard.
bool typeFile(const char *type, std::string *file)
{
    if (!type)
        return fail(EINVAL) == 0;
    const size_t length = std::strlen(type);
    if (length == 0 || hasControl(type, length))
        return fail(EINVAL) == 0;
    const std::string name = "t-" + escape(type, length);
    if (name.size() > MaxNameLength)
        return fail(ENAMETOOLONG) == 0;
    std::string folder;
    if (!clipboardFolder(&folder))
        return false;
    *file = folder + '/' + name;
    return true;
}

bool writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace

extern "C" {

int get_clipboard_path(char *buffer, unsigned int size)
{
    if (!buffer)
        return fail(EINVAL);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_path.size() + 1 > size)
        return fail(ERANGE);
    std::memcpy(buffer, g_path.data(), g_path.size());
    buffer[g_path.size()] = '\0';
    return int(g_path.size());
}

int set_clipboard_path(const char *path, unsigned int length)
{
    if (!path)
        length = 0;
    if (length > CLIPBOARD_MAX_PATH)
        return fail(ENAMETOOLONG);
    if (hasControl(path, length))
        return fail(EINVAL);
    if (escape(path, length).size() + 2 > MaxNameLength)
        return fail(ENAMETOOLONG);
    std::lock_guard<std::mutex> lock(g_mutex);
    g_path.assign(path ? path : "", length);
    return 0;
}

int set_clipboard_data(const char *type, unsigned int size, const char *data)
{
    if (!data && size > 0)
        return fail(EINVAL);
    if (size > CLIPBOARD_MAX_DATA)
        return fail(EFBIG);
    std::string file;
    if (!typeFile(type, &file))
        return -1;
    // A temporary beside the file, renamed over it: readers never see half the bytes. Its name
    // starts with '.', which no escaped name does.
    std::string temporary = file.substr(0, file.rfind('/')) + "/.write-XXXXXX";
    const int fd = ::mkostemp(&temporary[0], O_CLOEXEC);
    if (fd < 0)
        return -1;
    const bool written = writeAll(fd, data, size);
    const int saved = errno;
    if (::close(fd) != 0 || !written || ::rename(temporary.c_str(), file.c_str()) != 0) {
        const int error = written ? errno : saved;
        ::unlink(temporary.c_str());
        return fail(error);
    }
    return int(size);
}

int get_clipboard_data(const char *type, char **data)
{
    if (!data)
        return fail(EINVAL);
    *data = nullptr;
    std::string file;
    if (!typeFile(type, &file))
        return -1;
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return fail(errno == ELOOP ? EACCES : errno);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return fail(EACCES);
    }
    if (st.st_size > CLIPBOARD_MAX_DATA) {
        ::close(fd);
        return fail(EFBIG);
    }
    const size_t size = size_t(st.st_size);
    char *bytes = size > 0 ? static_cast<char *>(std::malloc(size)) : nullptr;
    if (size > 0 && !bytes) {
        ::close(fd);
        return fail(ENOMEM);
    }
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, bytes + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // shorter than it was: what is there is the data
        got += size_t(n);
    }
    ::close(fd);
    if (got == 0) {
        std::free(bytes);
        return 0;
    }
    *data = bytes;
    return int(got);
}

int empty_clipboard(void)
{
    std::string folder;
    if (!clipboardFolder(&folder))
        return -1;
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return -1;
    int result = 0;
    while (const dirent *entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, "t-", 2) != 0)
            continue;
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) != 0 && errno != ENOENT)
            result = -1;
    }
    const int saved = errno;
    ::closedir(dir);
    return result == 0 ? 0 : fail(saved);
}

int empty_clipboard_by(const char *type)
{
    std::string file;
    if (!typeFile(type, &file))
        return -1;
    return ::unlink(file.c_str()) == 0 ? 0 : -1;
}

int is_clipboard_format_present(const char *type)
{
    std::string file;
    if (!typeFile(type, &file))
        return -1;
    struct stat st;
    if (::lstat(file.c_str(), &st) != 0)
        return -1;
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
        return fail(EACCES);
    return 0;
}

} // extern "C"
