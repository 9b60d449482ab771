// The tag fields (TagField) on top of the tag library: which tag of a file a field is read from or
// written to, making the tags writing needs, one-line values, and the library's version text.
// Keeps no state but the last failure to make a tag (per thread): every call acts on the file
// loaded last into the tag library handle it is given (the library's default handle when none).
#pragma once

#include "core/settings/Options.h"
#include "core/tags/TagField.h"

#include <mp3infp_handle.h>

#include <QString>
#include <QtGlobal>

namespace TagFieldAccess {

// The tag library's file types (mp3infp_GetType).
constexpr quint32 kTypeMp3 = 1;
constexpr quint32 kTypeWav = 2;

// The tag library's version as text: "2.60" for 0x260; "0.00" below 0x211 (too old to use).
QString GetLibraryVersionText();
QString VersionText(quint32 version);

// The loaded file's type in the high 16 bits and, for an MP3 file, its tag bits in the low 16
// bits. True for an MP3 file.
bool GetFileTypeCode(quint32& code, MP3INFP_HANDLE* handle = nullptr);

// The value of a stored field as the window shows it: up to its first control character (one
// line), cut to the row's shown bytes of its stored form, never inside a character. Empty for a
// field the file's tags do not hold.
QString ShownValue(TagField field, MP3INFP_HANDLE* handle = nullptr);
// The stored value as the file holds it: every line, never cut. Writing keeps this for a field
// the user left as it was shown, so nothing beyond what is shown is lost.
QString WholeValue(TagField field, MP3INFP_HANDLE* handle = nullptr);
// The playing time ("3:05"), as the window shows it.
QString PlayingTime(MP3INFP_HANDLE* handle = nullptr);

// Sets a stored field in the library's memory (mp3infp_Save writes it, with the tags made for
// it, in one rewrite of the file). True when the library accepted the value. `loadedPath` is the
// loaded file's path as the file system's bytes, in which the tags are made. `format` picks the
// tag an MP3 file is written through:
//   - Rmp: its RIFF SIF tag, made first (after an ID3v1 tag when the file has no ID3 tag);
//     but a plain MP3 that has an ID3v2 tag is written through that tag (its version kept,
//     an ID3v1 tag it has mirroring it), so that every reader shows the new values;
//   - Id3v2: its ID3v2 tag, with an ID3v1 mirror (both made when missing). An RMP3 file is
//     first unwrapped into the plain MP3 it holds, its INFO values moved into that tag. A WAV
//     file then also gets an 'id3 ' chunk, which the library keeps in line with the INFO list
//     it still writes.
bool SetValue(TagField field, const QString& text, const QByteArray& loadedPath,
              Options::Mp3Format format = Options::Mp3Format::Rmp,
              MP3INFP_HANDLE* handle = nullptr);

// The tag library's answer when the last SetValue of this thread failed to make a tag the write
// needs (an mp3infp_Save result code); 0 when it made none or that succeeded.
quint32 LastMakeFailure();

} // namespace TagFieldAccess
