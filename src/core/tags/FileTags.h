// What showing a file's tag needs, read through a tag library handle of the caller's (on any
// thread): the library's version, the file's type and kinds of tag, the fields with the playing
// time, the comment's parts and the track its name proposes, and its cover.
#pragma once

#include "core/tags/TagFields.h"

#include <mp3infp_handle.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

struct FileTags {
  enum class State { Missing, NotFile, TooOld, Unreadable, Read };
  State state = State::Missing;
  QString version;  // the library's version text
  quint32 code = 0; // TagFieldAccess::GetFileTypeCode's
  bool mp3 = false;
  TagFields fields; // with the playing time, the comment parts and the proposed track
  QByteArray cover; // the file's cover; empty when none
};

// Reads the tag of `path` into `handle`'s memory. The comment part boxes show only what the
// comment holds; the jacket image box is kept as it is when the comment names no image.
FileTags ReadFileTags(const QString& path, MP3INFP_HANDLE* handle);

// Why a file could not be read (`state` is not Read), naming it, for the user.
QString UnreadableText(const QString& path, FileTags::State state);

// The kinds of tag a type code's tag bits name, in bit order: "(ID3V1)", "(ID3V2)", ...; bit
// 0x40 names none.
QStringList TagKindNames(quint32 code);
// "00000003 (ID3V1)(ID3V2)": the tag bits as eight upper-case hexadecimal digits, a space and
// the kinds of the set bits.
QString TagKindsText(quint32 code);
