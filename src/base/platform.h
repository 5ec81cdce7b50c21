// What the library needs of the operating system: files, folders and the two
// well-known paths.  Files go through a table of plain functions (Vfs) so
// that tests can substitute one that fails at a chosen step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/text.h"

namespace qz {

#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
#else
inline constexpr char16_t kPathSeparator = u'/';
#endif

// `folder` followed by the separator and `name`.
Text JoinPath(TextView folder, TextView name);

inline constexpr std::size_t kWholeFile = SIZE_MAX;

struct Vfs {
    bool (*exists)(const Text& path);  // a file or a folder
    // Reads a regular file, the whole of it or its first `limit` bytes; false
    // when it does not open, is no regular file (a pipe or a device would
    // block or never end) or a read fails.
    bool (*read)(const Text& path, std::vector<std::uint8_t>& out, std::size_t limit);
    // Creates a new file for writing; null when anything at all (a file, a
    // link, a folder) already has the name, or on any other failure.  A link
    // is never followed.
    void* (*createNew)(const Text& path);
    bool (*write)(void* file, const std::uint8_t* data, std::size_t size);
    // Flushes what was written to the disk, so that a crash after the rename
    // never leaves an empty or partial file under the saved name.
    bool (*sync)(void* file);
    bool (*close)(void* file);  // false when buffered bytes could not be written
    bool (*replace)(const Text& from, const Text& to);  // rename over `to`
    void (*remove)(const Text& path);
    bool (*makeFolder)(const Text& path);
};

const Vfs& NativeVfs();
const Vfs& CurrentVfs();
// Null restores the native file system.  Returns the table set before.
const Vfs* SetVfs(const Vfs* vfs);

// Makes a table the current one for a scope, then restores the one before.
class UseVfs {
  public:
    explicit UseVfs(const Vfs& vfs) : previous_(SetVfs(&vfs)) {}
    ~UseVfs() { SetVfs(previous_); }
    UseVfs(const UseVfs&) = delete;
    UseVfs& operator=(const UseVfs&) = delete;

  private:
    const Vfs* previous_;
};

// Writes the whole file under a fresh name beside `path` and then renames it
// over `path`: an interrupted save never leaves a half-written file at
// `path`, a failed one removes what it wrote, and nothing found beside `path`
// (a leftover, a link, another saver's file) is written through or stands in
// the way.  Every file the system writes goes through here.
bool SaveFileReplacing(const Text& path, const std::vector<std::uint8_t>& bytes);
// The same for a path given as UTF-8, as the tools' command lines give it; a
// path that is no valid text names no file.
bool SaveFileReplacing(const std::string& utf8Path, const std::vector<std::uint8_t>& bytes);

// Looks the folder up and creates it when nothing is there; failures are not
// reported (the writes into it fail later).
void CreateFolderIfMissing(const Text& path);

// The user's documents folder, without a trailing separator.
Text DocumentsFolder();
// Full path of the running process's executable.
Text ExecutablePath();

}  // namespace qz
