// Where one encode writes: a hidden temporary file in the MP3's folder, locked while in use,
// that becomes the MP3 only once it has been checked. No partial file ever stands under the
// MP3's name; a temporary file left by a killed program is recognised by its name and removed
// the next time that folder converts.
#pragma once

#include <QString>

#include <memory>

class EncodeTarget {
public:
  // Prefix of the temporary files; short, so that the longest names still fit beside them.
  static constexpr const char* kPrefix = ".w2m-enc-";

  // Makes the temporary file for `mp3Path` (after removing stale ones of that folder). Null,
  // with `error` set, when the folder does not take a new file.
  static std::unique_ptr<EncodeTarget> Create(const QString& mp3Path, QString& error);
  ~EncodeTarget();
  EncodeTarget(const EncodeTarget&) = delete;
  EncodeTarget& operator=(const EncodeTarget&) = delete;

  const QString& TempPath() const { return temp_; }
  const QString& Mp3Path() const { return mp3_; }

  // Syncs the temporary file and renames it to the MP3's name; with `overwrite` off an MP3 that
  // appeared meanwhile is not replaced. False, with `error` set, when that fails (the temporary
  // file is removed then).
  bool Commit(bool overwrite, QString& error);
  // Removes the temporary file (unless committed).
  void Discard();

  // Removes the temporary files of this program in `folder` that no encode holds any more.
  static void RemoveStale(const QString& folder);

private:
  EncodeTarget(QString mp3, QString temp, int fd);

  QString mp3_;
  QString temp_;
  int fd_ = -1;
  bool done_ = false;
};
