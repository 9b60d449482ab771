// One write of a file's tag, on any thread, through a tag library handle of the caller's: the
// fields wanted (each field left as shown keeping its whole stored value), and an image as the
// file's cover. The file is loaded, compared, set and saved once; what came of it is the result.
#pragma once

#include "core/settings/Options.h"
#include "core/tags/TagFields.h"

#include <mp3infp_handle.h>

#include <QByteArray>
#include <QString>

// How a write went.
enum class TagWriteResult {
  Written,
  // The file already holds every field and the cover: nothing was written.
  Unchanged,
  Failed,
  // Refused because a write to the same file has not ended yet.
  Busy,
};

struct TagWriteRequest {
  QString path;
  // The fields to store; a kept field keeps what the file holds. The track box's proposal is
  // stored when the box holds none.
  TagFields wanted;
  // The image file that becomes the file's cover; empty for none.
  QString coverImage;
  // The file's cover as it was shown: an image with the same bytes changes nothing.
  QByteArray shownCover;
  Options::Mp3Format format = Options::Mp3Format::Rmp;
};

struct TagWriteOutcome {
  TagWriteResult result = TagWriteResult::Failed;
  // Why it failed, for the user.
  QString failure;
  // The cover the file holds now when the write put one in; empty otherwise.
  QByteArray coverWritten;
  // The track as the file now stores it ("3" for "３", a proposal written).
  QString track;
};

// Writes `request` into its file: Unchanged when the file holds every field and the cover as
// wanted; Failed when there is no such file, it cannot be loaded, the track is no number, the
// cover's image is refused (nothing is written then), or the save (or any field) was refused.
TagWriteOutcome WriteTags(MP3INFP_HANDLE* handle, const TagWriteRequest& request);
