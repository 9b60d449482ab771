// Where one encode writes: a hidden temporary file in the MP3's folder, locked while in use,
// that becomes the MP3 only once it has been checked. No partial file ever stands under the
// MP3's name; a temporary file left by a killed program is recognised by its name and removed
// the next time that folder converts.
//
// Network shares (NFS, SMB) and most file systems in user space (sshfs, rclone, bindfs) refuse
// a rename that must not replace: there the MP3's name is taken by a hard link, and where links
// are refused too, by creating the name exclusively and renaming over that empty claim. Which
// way a folder takes is found out once and remembered for the rest of the run.
#pragma once

#include <QString>

#include <memory>

class EncodeTarget {
public:
  // Prefix of the temporary files; short, so that the longest names still fit beside them.
  static constexpr const char* kPrefix = ".w2m-enc-";

  // How a folder lets the finished file take the MP3's name without replacing one that
  // appeared meanwhile, from the strongest way down.
  enum class Placement {
    // rename() told not to replace: one step, nothing can come between.
    RenameNoReplace,
    // link() to the MP3's name, which fails when the name is taken, then the temporary name
    // removed.
    Link,
    // The MP3's name created exclusively (an empty file), then the temporary file renamed
    // over it once it is still that empty file of ours. A file written to the name between
    // that look and the rename would be replaced: the only way left where neither of the
    // others works, and the gap is one system call wide.
    ClaimedName,
  };

  // Makes the temporary file for `mp3Path`. Null, with `error` set, when the folder does not
  // take a new file.
  static std::unique_ptr<EncodeTarget> Create(const QString& mp3Path, QString& error);
  ~EncodeTarget();
  EncodeTarget(const EncodeTarget&) = delete;
  EncodeTarget& operator=(const EncodeTarget&) = delete;

  const QString& TempPath() const { return temp_; }
  const QString& Mp3Path() const { return mp3_; }

  // Syncs the temporary file and gives it the MP3's name; with `overwrite` off an MP3 that
  // appeared meanwhile is not replaced. False, with `error` set, when that fails (the temporary
  // file is removed then).
  bool Commit(bool overwrite, QString& error);
  // Removes the temporary file (unless committed).
  void Discard();
  // A rewrite (the tag copy) replaced the temporary file by a new one: `lockedFd`, a descriptor
  // of the new file holding its exclusive lock since before it took the name, marks it as in
  // use from now on. The old file's descriptor is closed.
  void AdoptLockedFile(int lockedFd);

  // Removes the temporary files of this program in `folder` that no encode holds any more.
  static void RemoveStale(const QString& folder);

  // The way `folder` places an MP3 without replacing: the strongest until a commit there found
  // it refused. Setting it skips the stronger ways in that folder from now on.
  static Placement PlacementIn(const QString& folder);
  static void SetPlacementIn(const QString& folder, Placement placement);

private:
  EncodeTarget(QString mp3, QString temp, int fd);
  // The steps of Commit with `overwrite` off; errno-style result, 0 when placed.
  int PlaceWithoutReplacing();
  int ClaimAndRename(const QByteArray& temp, const QByteArray& mp3);
  void CloseFile();

  QString mp3_;
  QString temp_;
  int fd_ = -1;
  bool done_ = false;
};
