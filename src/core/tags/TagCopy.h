// The stored tag fields and the cover of files through one handle of the tag
// library, on any thread: reading them, setting them, and copying a whole tag from one file into
// another. The window's tag work uses the library's default handle; a conversion's end, off the
// window's thread, one of its own.
#pragma once

#include "core/settings/Options.h"
#include "core/tags/TagFields.h"

#include <mp3infp_handle.h>

#include <QString>

namespace TagCopy {

// Loads `path` (a regular file) into `handle`; false when it cannot.
bool Load(MP3INFP_HANDLE* handle, const QString& path);

// The stored fields of the file loaded into `handle`: one line each as the window shows them, or
// `whole` as stored.
void ReadValues(MP3INFP_HANDLE* handle, TagFields& out, bool whole);

// Sets the stored fields of the loaded file `path` through the tag `format` picks (see
// TagFieldAccess::SetValue), all but those `values` keeps. Every field is offered even when one
// is refused, so the others still reach the file; false when one was refused. A track that is no
// track number (TrackNumber::Normalized) is not offered: the file keeps the one it holds.
bool SetValues(MP3INFP_HANDLE* handle, const TagFields& values, const QByteArray& path,
               Options::Mp3Format format);

// The loaded file's cover (its front cover, else its first picture); empty when it has none.
QByteArray ReadCover(MP3INFP_HANDLE* handle);
// Sets `image` as the loaded file's front cover until the save: the tag library's answer
// (MP3INFP_PICTURE_OK, or why it refused the image or the file).
uint32_t SetCover(MP3INFP_HANDLE* handle, const QByteArray& image);

// Why the tag library did not save (its result code), for the user.
QString SaveFailureText(uint32_t code);
// Why the tag library refused the image `name` as a cover (SetCover's answer), for the user.
QString CoverRefusalText(uint32_t code, const QString& name);

// The stored fields of `path` whole; false when it cannot be loaded.
bool ReadWholeTags(MP3INFP_HANDLE* handle, const QString& path, TagFields& stored);

// Copies the whole stored tag of `from` into `to`, file to file, and with `format` Id3v2 its
// cover too (RIFF SIF has no place for one). True when `to` holds the tag afterwards, also when
// it held it already; else `why` says why not.
bool CopyTags(MP3INFP_HANDLE* handle, const QString& from, const QString& to,
              Options::Mp3Format format, QString& why);

} // namespace TagCopy
