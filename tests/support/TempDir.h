#pragma once
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes away.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// Reads a whole file; an empty string when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Writes a whole file; false when it cannot be written.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
// How often what stands in text (overlapping places count; a log's lines are
// what the tests count).
size_t Occurrences(const std::string& text, const std::string& what);
// The lines of a log that contain the text, in log order.
std::vector<std::string> LogLines(const std::string& log, const std::string& text);
// The game states a program's log records changing to, in order, as eight
// hexadecimal digits ("00000005").
std::vector<std::string> StateChanges(const std::string& log);
// Runs `run` with the process's descriptor limit at its lowest free
// descriptor, so that no file opens (too many files open); the limit is
// restored before it returns. False when the limit could not be set.
bool WithNoFreeDescriptor(const std::function<void()>& run);
// The same with a limit on the size of files written: a write past it falls
// short (its signal ignored meanwhile), as on a full disk.
bool WithFileSizeLimit(size_t bytes, const std::function<void()>& run);

} // namespace testsupport
