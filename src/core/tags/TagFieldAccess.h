// Numbered tag fields on top of the tag library: which tag of a file a field is read from or
// written to, making the tags writing needs, one-line values, and the library's version text.
// Keeps no state but the last failure to make a tag (per thread): every call acts on the file
// loaded last into the tag library handle it is given (the library's default handle when none).
#pragma once

#include "core/settings/Options.h"

#include <mp3infp_handle.h>

#include <QString>
#include <QtGlobal>

namespace TagFieldAccess {

// The tag library's file types (mp3infp_GetType).
constexpr quint32 kTypeMp3 = 1;
constexpr quint32 kTypeWav = 2;

// Field numbers. The track number comes after the designed nine; it is read and written like
// fields 1..6.
enum Field { kTitle = 1, kArtist, kAlbum, kComment, kYear, kGenre, kTime, kPath, kFile, kTrack };

// The tag library's version as text: "2.60" for 0x260; "0.00" below 0x211 (too old to use).
QString GetLibraryVersionText();
QString VersionText(quint32 version);

// The loaded file's type in the high 16 bits and, for an MP3 file, its tag bits in the low 16
// bits. True for an MP3 file.
bool GetFileTypeCode(quint32& code, MP3INFP_HANDLE* handle = nullptr);

// The value of field 1..10 up to its first control character (so one line only). Fields 1..7
// are cut to at most 128 bytes of their stored form, never inside a character; the folder and
// file name are never cut. An unknown field or missing value gives an empty text.
void GetTagValue(int field, QString& text, MP3INFP_HANDLE* handle = nullptr);

// The stored value of field 1..6 or the track as the file holds it: every line, never cut. Writing
// keeps this for a field the user left as it was shown, so nothing beyond what is shown is lost.
void GetWholeTagValue(int field, QString& text, MP3INFP_HANDLE* handle = nullptr);

// Sets field 1..6 or the track in the library's memory (mp3infp_Save writes it, with the tags
// made for it, in one rewrite of the file). True when the library accepted the value. `loadedPath`,
// the loaded file's path as the file system's bytes, names the file the tags are made in; without
// it the path is rebuilt from the library's folder and name values. `format` picks the tag an MP3
// file is written through:
//   - Rmp: its RIFF SIF tag, made first (after an ID3v1 tag when the file has no ID3 tag);
//     but a plain MP3 that has an ID3v2 tag is written through that tag (its version kept,
//     an ID3v1 tag it has mirroring it), so that every reader shows the new values;
//   - Id3v2: its ID3v2 tag, with an ID3v1 mirror (both made when missing). An RMP3 file is
//     first unwrapped into the plain MP3 it holds, its INFO values moved into that tag. A WAV
//     file then also gets an 'id3 ' chunk, which the library keeps in line with the INFO list
//     it still writes.
bool SetTagValue(int field, const QString& text, const QByteArray& loadedPath = {},
                 Options::Mp3Format format = Options::Mp3Format::Rmp,
                 MP3INFP_HANDLE* handle = nullptr);

// The tag library's answer when the last SetTagValue of this thread failed to make a tag the write
// needs (an mp3infp_Save result code); 0 when it made none or that succeeded.
quint32 LastMakeFailure();

} // namespace TagFieldAccess
