// Rewriting a file the user owns without ever leaving it half written.
#pragma once

#include "FileReader.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mp3infp {

// Temporary files of ours are named kTemporaryPrefix, six letters or digits, kTemporarySuffix.
// Other temporary files of the application (".w2m-enc-...") never match.
inline constexpr const char* kTemporaryPrefix = ".w2m-";
inline constexpr const char* kTemporarySuffix = ".tmp";
bool IsOurTemporaryName(std::string_view name);

// Removes the temporary files of ours in `folder` (ending in '/') that no save holds any more:
// a save keeps an exclusive flock() on its temporary file until it is renamed, so one that can
// be locked was left by a save that was killed.
void RemoveStaleTemporaries(const std::string& folder);

// Looks at a finished temporary file (by its path) before it replaces the original; false
// stops the save.
using ReadBack = std::function<bool(const std::string& temporaryPath)>;

// While one lives, every WriteAtomically hands its temporary file to `check` first. The
// writers need not know what was meant to be written; the caller that asked for it does.
class ScopedReadBack {
public:
  explicit ScopedReadBack(ReadBack check);
  ~ScopedReadBack();
  ScopedReadBack(const ScopedReadBack&) = delete;
  ScopedReadBack& operator=(const ScopedReadBack&) = delete;
  static ReadBack& activeReadBack();

private:
  ReadBack previous_;
};

// While one lives on a thread, a WriteAtomically there that replaces the file by its temporary
// file keeps that file's descriptor, and with it the exclusive lock taken before the rename,
// in `*slot` instead of closing it (a descriptor already there is closed: its file has just
// been replaced). A null slot keeps nothing.
class ScopedKeptLock {
public:
  explicit ScopedKeptLock(int* slot);
  ~ScopedKeptLock();
  ScopedKeptLock(const ScopedKeptLock&) = delete;
  ScopedKeptLock& operator=(const ScopedKeptLock&) = delete;
  static int*& activeSlot();

private:
  int* previous_;
};

// Writes the pieces to a temporary file in the folder of `path` (symbolic links followed),
// lets the active read-back check it, gives it the original's owner, group and permissions,
// flushes it to disk and renames it over the original. Stale temporary files of ours in that
// folder are removed first. Refuses (non-zero, nothing changed) when the file is not a regular
// writable file, its owner's write permission is off, or it is no longer the one `source`
// read. On any failure the temporary file is removed and the original stays intact. A `source`
// over pieces of a file on disk (FileReader::openPieces) writes that file, its pieces composed.
int WriteAtomically(const std::string& path, const FileReader& source,
                    const std::vector<Piece>& pieces);

} // namespace mp3infp
