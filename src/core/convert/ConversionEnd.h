// What follows the end of one encode, done on a worker thread (the job's own, or one started
// for it) so that the window's thread never waits for the disk: the WAV file's tag is copied
// into the temporary file, which is then checked once (it loads as MP3 and plays as long as the
// WAV file), synced and given the MP3's name; a finished MP3 is never rewritten. The WAV file
// goes to the trash, when asked, only once its MP3 is in place and, with the tag copy on, holds
// its tag. The WAV file goes only while it is still the file the encode read: one replaced or
// rewritten meanwhile (a workstation re-exporting a take, a sync tool) stays, and the MP3 made
// from the old take is not put in its place, so that the next conversion makes one of the new.
// The window shows the result.
#pragma once

#include "core/convert/FileResult.h"
#include "core/fs/FileIdentity.h"
#include "core/fs/Trash.h"
#include "core/settings/Options.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class EncodeTarget;
class LoudnessMeasure;

class ConversionEnd {
public:
  // Moves a file to the desktop's trash (called on the worker).
  using MoveToTrash = std::function<Trash::Result(const QString& path)>;

  // The WAV file as the encode found it when it started.
  struct Source {
    QString path;
    // Which file it was, and in what state; nullopt when that could not be learnt (the file is
    // then never given up).
    std::optional<FileIdentity> read;
    // Why the MP3 holds less than the WAV file's header promises (WavLength); "" when it does
    // not. Such a WAV file is kept.
    QString shortfall;
  };

  struct Result {
    FileResult file;
    // The MP3 put in place; empty when none was.
    QString mp3;
    bool wavGone = false;
    // The MP3 is in place but the tag could not be copied into it (file.reason says why).
    bool tagCopyFailed = false;
    // The loudness of the MP3's audio, whose ReplayGain track values it holds; null when none
    // were asked for or written.
    std::shared_ptr<LoudnessMeasure> loudness;
  };

  // Ends the conversion of `source` into `target` by `options` (those the conversion started
  // with): `completed` tells whether the encode ran to the end and closed its file. The
  // temporary file is gone afterwards, placed or removed. With `loudness`, the encode's, the MP3
  // gets its ReplayGain track values with its tag, before it takes its name.
  static Result Run(const Source& source, EncodeTarget& target, bool completed,
                    const Options& options, const MoveToTrash& trash,
                    std::shared_ptr<LoudnessMeasure> loudness = nullptr);

  // Why the MP3's folder took no more, when its disk (or the user's share of it) is full: the
  // end of a failed write's message; "" otherwise.
  static QString DiskFullNote(const QString& folder);
};
