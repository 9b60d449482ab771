// File names on Linux are bytes, and a zip made on Japanese Windows leaves names whose bytes are
// CP932, not UTF-8. Qt would turn such bytes into U+FFFD and lose the name, so paths are kept as
// QString holding the bytes losslessly: every byte that is not part of a valid UTF-8 sequence is
// the lone low surrogate U+DC00 + byte (U+DC80..U+DCFF), as Python's "surrogateescape" does.
// Such a path goes to the file system only through Encode (never QFile, QFileInfo or QDir, which
// would re-encode it lossily) and to the user only through Display.
#pragma once

#include <QByteArray>
#include <QString>

struct stat;

namespace FsPath {

// Bytes of a file name or path as a QString: valid UTF-8 decodes as text, any other byte
// becomes U+DC00 + byte.
QString Decode(const QByteArray& bytes);

// Exact inverse of Decode: U+DC80..U+DCFF give their byte back, everything else is UTF-8.
QByteArray Encode(const QString& path);

// The path as the user should read it: each component whose bytes are not valid UTF-8 is
// decoded as CP932 when it is valid CP932, else as Latin-1. Not a path to open.
QString Display(const QString& path);
// The last component of `path` (a file's bare name) as Display shows it.
QString DisplayName(const QString& path);
// The existing path that Display shows as `shown`, component by component: a name as written
// (UTF-8), else its CP932 bytes, else its Latin-1 bytes, whichever exists on disk. Empty when
// none does. Text files such as the settings hold the readable form of a path; this finds the
// bytes again.
QString FromDisplay(const QString& shown);

enum class Kind { Missing, File, Directory, Fifo, Device, Socket, Other };

// stat() of the path (its bytes), following symbolic links; false when it cannot be reached.
bool Stat(const QString& path, struct stat& st);

// What the path names, following symbolic links; Missing when it cannot be reached.
Kind KindOf(const QString& path);
bool IsFile(const QString& path);
bool IsDir(const QString& path);

// The last component of `path`: a file's bare name.
QString BareName(const QString& path);
// The folder part of a file's path, without its trailing separator; the root keeps it, and a
// path without a separator gives ".".
QString FolderOf(const QString& path);
// `folder` without one trailing separator; the root keeps its only one.
QString WithoutTrailingSeparator(const QString& folder);
// The extension of a name or path: from its last "." when that comes after the last "/", the
// dot included; empty otherwise. As written (not lower-cased).
QString Extension(const QString& path);

// The path made absolute against the working folder and cleaned lexically ("." and empty
// components dropped, ".." takes away the component before it, no trailing "/").
QString Absolute(const QString& path);

// True when both paths reach the same file (same device and inode, links followed).
bool SameFile(const QString& a, const QString& b);

// A command-line argument as given by the system (its bytes unchanged).
QString FromLocal8Bit(const char* argument);

// The path of a "file:" URL in its encoded form (QUrl::toEncoded()), percent escapes taken as
// bytes, so %82%A0 stays the bytes 82 A0. Empty for other schemes and for remote hosts.
QString FromFileUrl(const QByteArray& encodedUrl);

} // namespace FsPath
