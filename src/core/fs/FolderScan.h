// Walking a folder tree for the files the main window lists: WAV and MP3 files to step
// through, JPEG and PNG files offered as jacket images.
//
// Each folder's entries come sorted by name as Windows lists them (case-insensitively: by code
// point of the upper-cased name, a name read by the 8-bit text rule), and a subfolder's files
// appear where the subfolder comes in that order. Hidden entries and read-only folders are walked
// like any other, except the hidden temporary files of our own (".w2m-" names, left by a killed
// conversion or save), which are never listed. Symbolic links to folders are not followed (a
// link cycle would never end, and a linked tree would be listed twice); symbolic links to files
// are listed like files. Folders that cannot be read are skipped; a folder that has vanished
// gives nothing.
#pragma once

#include <QString>
#include <QStringList>

#include <atomic>

// True for the hidden temporary files of our own (".w2m-" names): half-written, never a file to
// list, show or convert.
bool IsOwnTemporaryFile(const QString& path);

// A WAV or MP3 file by its name: the extension ".wav" or ".mp3" in any case.
bool IsWavName(const QString& path);
bool IsMp3Name(const QString& path);
// A jacket image by its name: ".jpg", ".jpeg" or ".png" in any case.
bool IsImageName(const QString& path);

// Appends to `out` the full paths of the files under `folder` (which ends with "/") whose
// extension, lower-cased, equals `extension` lower-cased.
void FindFiles(const QString& folder, const QString& extension, QStringList& out);

// The three lists of one folder tree, each in the order FindFiles gives (the images of the three
// extensions mixed in that order).
struct FolderTree {
  QStringList Wav;    // ".wav"
  QStringList Mp3;    // ".mp3"
  QStringList Images; // ".jpg", ".jpeg" and ".png"

  // The file list of a folder: its WAV files followed by its MP3 files.
  QStringList Files() const { return Wav + Mp3; }
};

// One walk of `folder` (with or without a trailing "/") giving the three lists; its subfolders
// are walked too when `withSubfolders`. Empty when `folder` is not an existing folder. A walk
// on another thread stops before its next folder once `*cancelled` is set (what it found so far
// is given).
FolderTree ScanTree(const QString& folder, bool withSubfolders = true,
                    const std::atomic<bool>* cancelled = nullptr);

// True when a folder walk lists the file `a` before the file `b`: at the first folder or name in
// which their paths differ, by that name's sort order. Paths of different trees compare the same
// way from their first differing component.
bool ListedBefore(const QString& a, const QString& b);
