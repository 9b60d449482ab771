#include "core/fs/FsPath.h"

#include "core/fs/Cp932.h"
#include "core/fs/Utf8.h"

#include <QList>
#include <QStringList>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool IsContinuation(unsigned char b) {
  return (b & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence starting at `at`, 0 when the byte there starts none.
// Overlong forms, encoded surrogates and code points above U+10FFFF are not valid: their bytes
// are escaped one by one, so they come back unchanged.
int ValidSequenceLength(const unsigned char* p, qsizetype left) {
  const unsigned char b = p[0];
  if (b < 0x80)
    return 1;
  int length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    if (b == 0xE0)
      low = 0xA0;
    else if (b == 0xED)
      high = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    if (b == 0xF0)
      low = 0x90;
    else if (b == 0xF4)
      high = 0x8F;
  } else {
    return 0;
  }
  if (left < length || p[1] < low || p[1] > high)
    return 0;
  for (int i = 2; i < length; ++i) {
    if (!IsContinuation(p[i]))
      return 0;
  }
  return length;
}

bool IsEscape(QChar c) {
  return c.unicode() >= kEscapeBase + 0x80 && c.unicode() <= kEscapeBase + 0xFF;
}

QString WorkingFolder() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE)
      return {};
    buffer.resize(buffer.size() * 2);
  }
  return FsPath::Decode(QByteArray(buffer.data()));
}

// Works on the decoded text: escapes never stand for "/" or ".", so this is as safe as bytes.
QString CleanLexically(const QString& path) {
  const bool absolute = path.startsWith(QLatin1Char('/'));
  QList<QStringView> kept;
  for (const QStringView part : QStringView(path).split(QLatin1Char('/'))) {
    if (part.isEmpty() || part == u".")
      continue;
    if (part == u"..") {
      if (!kept.isEmpty() && kept.last() != u"..") {
        kept.removeLast();
        continue;
      }
      if (absolute)
        continue; // "/.." is "/"
    }
    kept.append(part);
  }
  QString out = absolute ? QStringLiteral("/") : QString();
  for (qsizetype i = 0; i < kept.size(); ++i) {
    if (i > 0)
      out += QLatin1Char('/');
    out += kept[i];
  }
  return out.isEmpty() ? QStringLiteral(".") : out;
}

} // namespace

namespace FsPath {

QString Decode(const QByteArray& bytes) {
  // Most names are ASCII: those convert at once (a folder walk decodes every path it lists).
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; }))
    return QString::fromLatin1(bytes);
  QString out;
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
  const qsizetype size = bytes.size();
  qsizetype i = 0;
  while (i < size) {
    const int length = ValidSequenceLength(p + i, size - i);
    if (length == 0) {
      out.append(QChar(static_cast<char16_t>(kEscapeBase + p[i])));
      ++i;
      continue;
    }
    char32_t cp = 0;
    if (length == 1)
      cp = p[i];
    else if (length == 2)
      cp = ((p[i] & 0x1Fu) << 6) | (p[i + 1] & 0x3Fu);
    else if (length == 3)
      cp = ((p[i] & 0x0Fu) << 12) | ((p[i + 1] & 0x3Fu) << 6) | (p[i + 2] & 0x3Fu);
    else
      cp = ((p[i] & 0x07u) << 18) | ((p[i + 1] & 0x3Fu) << 12) | ((p[i + 2] & 0x3Fu) << 6) |
           (p[i + 3] & 0x3Fu);
    out.append(QChar::fromUcs4(cp));
    i += length;
  }
  return out;
}

QByteArray Encode(const QString& path) {
  QByteArray out;
  out.reserve(path.size() * 3);
  for (qsizetype i = 0; i < path.size(); ++i) {
    const QChar c = path[i];
    if (IsEscape(c)) {
      out.append(static_cast<char>(c.unicode() - kEscapeBase));
    } else if (c.isHighSurrogate() && i + 1 < path.size() && path[i + 1].isLowSurrogate()) {
      AppendUtf8(QChar::surrogateToUcs4(c, path[i + 1]), out);
      ++i;
    } else {
      // Other lone surrogates cannot come from Decode; they keep their generalized UTF-8 form
      // rather than all becoming the same "?".
      AppendUtf8(c.unicode(), out);
    }
  }
  return out;
}

QString Display(const QString& path) {
  QStringList parts = path.split(QLatin1Char('/'));
  for (QString& part : parts) {
    if (std::none_of(part.cbegin(), part.cend(), IsEscape))
      continue;
    const QByteArray bytes = Encode(part);
    QString text;
    part = Cp932::Decode(bytes, text) ? text : QString::fromLatin1(bytes);
  }
  return parts.join(QLatin1Char('/'));
}

QString DisplayName(const QString& path) {
  return Display(BareName(path));
}

QString FromDisplay(const QString& shown) {
  if (!shown.startsWith(u'/'))
    return KindOf(shown) == Kind::Missing ? QString() : shown;
  QString found;
  for (const QString& part : shown.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    // A name of plain ASCII has one form; each other form is tried once.
    QStringList candidates{part};
    QByteArray bytes;
    if (Cp932::Encode(part, bytes))
      candidates.append(Decode(bytes));
    if (std::all_of(part.cbegin(), part.cend(), [](QChar c) { return c.unicode() < 0x100; }))
      candidates.append(Decode(part.toLatin1()));
    candidates.removeDuplicates();
    const auto existing =
        std::find_if(candidates.cbegin(), candidates.cend(), [&](const QString& candidate) {
          return KindOf(found + u'/' + candidate) != Kind::Missing;
        });
    if (existing == candidates.cend())
      return QString();
    found += u'/' + *existing;
  }
  return found.isEmpty() ? QStringLiteral("/") : found;
}

QString BareName(const QString& path) {
  return path.mid(path.lastIndexOf(u'/') + 1);
}

QString FolderOf(const QString& path) {
  const qsizetype slash = path.lastIndexOf(u'/');
  if (slash < 0)
    return QStringLiteral(".");
  return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString WithoutTrailingSeparator(const QString& folder) {
  return folder.size() > 1 && folder.endsWith(u'/') ? folder.chopped(1) : folder;
}

QString Extension(const QString& path) {
  const qsizetype dot = path.lastIndexOf(u'.');
  if (dot < 0 || dot < path.lastIndexOf(u'/'))
    return QString();
  return path.mid(dot);
}

bool Stat(const QString& path, struct stat& st) {
  const QByteArray bytes = Encode(path);
  return !bytes.isEmpty() && ::stat(bytes.constData(), &st) == 0;
}

Kind KindOf(const QString& path) {
  struct stat st {};
  if (!Stat(path, st))
    return Kind::Missing;
  if (S_ISREG(st.st_mode))
    return Kind::File;
  if (S_ISDIR(st.st_mode))
    return Kind::Directory;
  if (S_ISFIFO(st.st_mode))
    return Kind::Fifo;
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
    return Kind::Device;
  if (S_ISSOCK(st.st_mode))
    return Kind::Socket;
  return Kind::Other;
}

bool IsFile(const QString& path) {
  return KindOf(path) == Kind::File;
}

bool IsDir(const QString& path) {
  return KindOf(path) == Kind::Directory;
}

QString Absolute(const QString& path) {
  if (path.startsWith(QLatin1Char('/')))
    return CleanLexically(path);
  const QString cwd = WorkingFolder();
  return CleanLexically(cwd.isEmpty() ? path : cwd + QLatin1Char('/') + path);
}

bool SameFile(const QString& a, const QString& b) {
  struct stat sa {};
  struct stat sb {};
  return Stat(a, sa) && Stat(b, sb) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

QString FromLocal8Bit(const char* argument) {
  return argument ? Decode(QByteArray(argument)) : QString();
}

QString FromFileUrl(const QByteArray& encodedUrl) {
  if (encodedUrl.size() < 5 || encodedUrl.left(5).toLower() != "file:")
    return {};
  QByteArray rest = encodedUrl.mid(5);
  for (qsizetype i = 0; i < rest.size(); ++i) {
    if (rest[i] == '?' || rest[i] == '#') {
      rest.truncate(i);
      break;
    }
  }
  if (rest.startsWith("//")) {
    const qsizetype slash = rest.indexOf('/', 2);
    const QByteArray host = rest.mid(2, slash < 0 ? -1 : slash - 2);
    if (!host.isEmpty() && host.toLower() != "localhost")
      return {};
    rest = slash < 0 ? QByteArray() : rest.mid(slash);
  }
  if (!rest.startsWith('/'))
    return {};
  return Decode(QByteArray::fromPercentEncoding(rest));
}

} // namespace FsPath
