#include "platform/Files.h"
#include "platform/Utf.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::string g_exactFolder; // native form, without a trailing separator

template <typename Text> Text Slashes(Text text) {
    for (auto& c : text)
        if (c == '\\') c = '/';
    return text;
}

// A name the system gave, in game form: a backslash in it is a part of the
// name, not a separator.
std::u16string NameToGameForm(std::string_view name) {
    std::u16string text = NativeToUtf16(name);
    for (char16_t& c : text)
        if (c == u'\\') c = kNativeBackslash;
    return text;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y) return false;
    }
    return true;
}

bool Exists(const std::string& native) {
    struct stat st;
    return lstat(native.c_str(), &st) == 0;
}

// The entry of `folder` whose name matches `name` ignoring case, if any.
std::optional<std::string> FindIgnoringCase(const std::string& folder, std::string_view name) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return std::nullopt;
    std::optional<std::string> found;
    while (dirent* entry = readdir(dir)) {
        if (EqualIgnoringAsciiCase(entry->d_name, name)) {
            found = entry->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

std::string FolderOf(const std::string& native) {
    size_t slash = native.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return native.substr(0, slash);
}

// 0 when the folder's entries are on the disk, else the system's error.
int SyncFolder(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int error = fsync(fd) == 0 ? 0 : errno;
    close(fd);
    return error;
}

bool StatPath(const GamePath& path, struct stat& st) {
    if (path.Empty()) return false;
    return stat(NativePath(path).c_str(), &st) == 0;
}

// Moves `count` bytes through `transfer` (read or write) in pieces of at most
// 1 GiB, going on after an interrupted call; stops early when a call moves
// nothing. The bytes moved, or -1 on failure.
template <typename Byte, typename Transfer>
int64_t TransferAll(int fd, Byte* bytes, int64_t count, Transfer transfer) {
    int64_t done = 0;
    while (done < count) {
        size_t chunk = static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30));
        ssize_t n = transfer(fd, bytes + done, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += n;
    }
    return done;
}

} // namespace

int OpenRegularFile(const std::string& nativePath, int flags, int mode) {
    // Without O_NONBLOCK, opening a pipe waits for its other end for ever
    // (and a device may wait for its line): the open itself must not block,
    // and what it opened is looked at before anything is read or written.
    int fd;
    do {
        fd = open(nativePath.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    struct stat st;
    const int blocking = fcntl(fd, F_GETFL);
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || blocking < 0 ||
        fcntl(fd, F_SETFL, blocking & ~O_NONBLOCK) != 0) { // folders, pipes and devices are not files
        close(fd);
        errno = 0; // refused here, not by the system
        return -1;
    }
    return fd;
}

GamePath::GamePath(std::u16string_view path) : utf8_(Utf16ToNative(Slashes(std::u16string(path)))) {}
GamePath::GamePath(std::string_view path) : utf8_(Slashes(std::string(path))) {}

GamePath GamePath::Native(std::string path) {
    GamePath native;
    native.utf8_ = std::move(path);
    return native;
}

void SetExactFolder(const GamePath& folder) {
    g_exactFolder = folder.Utf8();
    while (g_exactFolder.size() > 1 && g_exactFolder.back() == '/')
        g_exactFolder.pop_back();
}

std::string NativePath(const GamePath& path) {
    const std::string& text = path.Utf8();
    if (!g_exactFolder.empty() && text.starts_with(g_exactFolder) &&
        (text.size() == g_exactFolder.size() || text[g_exactFolder.size()] == '/'))
        return text;
    std::string result = !text.empty() && text[0] == '/' ? "/" : "";
    bool resolving = true;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('/', start);
        if (end == std::string::npos) end = text.size();
        std::string_view part(text.data() + start, end - start);
        start = end + 1;
        if (part.empty()) continue;
        std::string folder = result;
        if (!result.empty() && result.back() != '/') result += '/';
        if (resolving && part != "." && part != ".." && !Exists(result + std::string(part))) {
            std::string within = folder.empty() ? "." : folder;
            if (auto match = FindIgnoringCase(within, part)) {
                result += *match;
                continue;
            }
            resolving = false; // nothing below a missing folder can exist
        }
        result += part;
    }
    return result;
}

File::~File() {
    Close();
}

File::File(File&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

File File::Open(const GamePath& path, FileAccess access, FileCreation creation) {
    if (path.Empty()) return File();
    return OpenNative(NativePath(path), access, creation);
}

File File::OpenNative(const std::string& nativePath, FileAccess access, FileCreation creation) {
    if (nativePath.empty() || (access & kFileReadWrite) == 0) return File();
    int flags = O_CLOEXEC;
    if ((access & kFileReadWrite) == kFileReadWrite)
        flags |= O_RDWR;
    else
        flags |= (access & kFileWrite) ? O_WRONLY : O_RDONLY;
    switch (creation) {
    case FileCreation::OpenExisting:
        break;
    case FileCreation::CreateAlways:
        flags |= O_CREAT | O_TRUNC;
        break;
    case FileCreation::OpenAlways:
        flags |= O_CREAT;
        break;
    case FileCreation::CreateNew:
        // Made new in any case: a link at the name, even one to nowhere, fails the open.
        flags |= O_CREAT | O_EXCL | O_NOFOLLOW;
        break;
    }
    // Emptying a file needs write access; the Windows call allows it anyway.
    if ((flags & O_TRUNC) && (flags & O_ACCMODE) == O_RDONLY) flags = (flags & ~O_ACCMODE) | O_RDWR;
    const int fd = OpenRegularFile(nativePath, flags, 0666);
    return fd < 0 ? File() : File(fd);
}

int64_t File::Seek(int64_t offset, SeekOrigin origin) {
    if (fd_ < 0) return -1;
    int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    off_t result = lseek(fd_, static_cast<off_t>(offset), whence);
    return result < 0 ? -1 : static_cast<int64_t>(result);
}

int64_t File::Tell() const {
    if (fd_ < 0) return -1;
    off_t result = lseek(fd_, 0, SEEK_CUR);
    return result < 0 ? -1 : static_cast<int64_t>(result);
}

int64_t File::Read(void* buffer, int64_t count) {
    if (fd_ < 0 || count < 0) return -1;
    return TransferAll(fd_, static_cast<unsigned char*>(buffer), count, read);
}

int64_t File::Write(const void* buffer, int64_t count) {
    if (fd_ < 0 || count < 0) return -1;
    return TransferAll(fd_, static_cast<const unsigned char*>(buffer), count, write);
}

bool File::SetSize(int64_t size) {
    if (fd_ < 0 || size < 0) return false;
    int result;
    do {
        result = ftruncate(fd_, static_cast<off_t>(size));
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

int64_t File::Size() const {
    struct stat st;
    if (fd_ < 0 || fstat(fd_, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool File::Flush() {
    return fd_ >= 0 && fsync(fd_) == 0;
}

bool File::Close() {
    if (fd_ < 0) return true;
    int fd = fd_;
    fd_ = -1;
    return close(fd) == 0; // never retried: the descriptor is gone either way
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const GamePath& path, int64_t maxBytes) {
    File file = File::Open(path, kFileRead, FileCreation::OpenExisting);
    if (!file.IsOpen()) return std::nullopt;
    int64_t size = file.Size();
    if (size < 0 || size > maxBytes) return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!file.ReadExact(bytes.data(), size)) return std::nullopt;
    return bytes;
}

std::string FileErrorText(int error, FileAccess access) {
    const bool write = (access & kFileWrite) != 0;
    switch (error) {
    case EMFILE:
    case ENFILE:
        return "too many files are open";
    case ENOMEM:
        return "the system is out of memory";
    case EINTR:
        return "the system interrupted it";
    case EACCES:
    case EPERM:
        return write ? "the game may not write in the folder" : "the game may not read it";
    case EIO:
        return write ? "the disk cannot be written" : "the disk cannot be read";
    case ENOSPC:
    case EDQUOT:
        return "the disk is full";
    case EFBIG:
        return "the file size limit was reached";
    case EROFS:
        return "the folder is on a read-only disk";
    default:
        return {};
    }
}

bool PassingFileError(int error) {
    return error == EMFILE || error == ENFILE || error == ENOMEM || error == EINTR;
}

int OpenForReadError(const GamePath& path) {
    errno = 0;
    if (File::Open(path, kFileRead, FileCreation::OpenExisting).IsOpen()) return 0;
    return errno;
}

std::string OpenForReadFailure(const GamePath& path) {
    const int error = OpenForReadError(path);
    return error == ENOENT ? std::string() : FileErrorText(error, kFileRead);
}

bool FileExists(const GamePath& path) {
    struct stat st;
    return StatPath(path, st) && S_ISREG(st.st_mode);
}

bool FolderExists(const GamePath& path) {
    struct stat st;
    return StatPath(path, st) && S_ISDIR(st.st_mode);
}

bool PathExists(const GamePath& path) {
    struct stat st;
    return StatPath(path, st);
}

int64_t FileSize(const GamePath& path) {
    struct stat st;
    if (!StatPath(path, st) || !S_ISREG(st.st_mode)) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool DeleteFile(const GamePath& path) {
    if (!FileExists(path)) return false;
    return unlink(NativePath(path).c_str()) == 0;
}

void RemoveForReplacing(const std::string& nativePath) {
    struct stat st;
    if (lstat(nativePath.c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
        unlink(nativePath.c_str());
}

bool RenameFile(const GamePath& from, const GamePath& to, int* syncError) {
    if (from.Empty() || to.Empty()) return false;
    std::string target = NativePath(to);
    if (rename(NativePath(from).c_str(), target.c_str()) != 0) return false;
    const int error = SyncFolder(FolderOf(target));
    if (syncError) *syncError = error;
    return true;
}

bool CreateFolder(const GamePath& path) {
    if (path.Empty()) return false;
    std::string native = NativePath(path);
    for (size_t slash = native.find('/', 1); slash != std::string::npos; slash = native.find('/', slash + 1))
        mkdir(native.substr(0, slash).c_str(), 0777);
    mkdir(native.c_str(), 0777);
    struct stat st;
    return stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::u16string> FolderEntries(const GamePath& folder) {
    std::vector<std::u16string> names;
    if (folder.Empty()) return names;
    DIR* dir = opendir(NativePath(folder).c_str());
    if (!dir) return names;
    while (dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.push_back(NameToGameForm(name));
    }
    closedir(dir);
    return names;
}

std::u16string ToGamePath(std::string_view nativePath) {
    std::u16string path = NameToGameForm(nativePath);
    for (char16_t& c : path)
        if (c == u'/') c = u'\\';
    return path;
}

std::u16string ModuleFolder() {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return CurrentFolder();
    return ToGamePath(FolderOf(std::string(buffer, static_cast<size_t>(n))));
}

std::u16string CurrentFolder() {
    char buffer[PATH_MAX];
    if (!getcwd(buffer, sizeof buffer)) return u"";
    return ToGamePath(buffer);
}

bool SetCurrentFolder(const GamePath& path) {
    return !path.Empty() && chdir(NativePath(path).c_str()) == 0;
}

std::u16string UserFolder(std::u16string_view maker, std::u16string_view product) {
    std::string base;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            passwd* user = getpwuid(getuid());
            home = user && user->pw_dir ? user->pw_dir : "/tmp";
        }
        base = std::string(home) + "/.local/share";
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    std::u16string folder = ToGamePath(base);
    for (std::u16string_view part : {maker, product}) {
        if (part.empty()) continue;
        folder += u'\\';
        folder += part;
    }
    return folder;
}

} // namespace platform
