#include "core/fs/Trash.h"

#include "core/fs/FsPath.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <iterator>
#include <vector>

namespace {

const char16_t kFailText[] = u"ごみ箱に移せませんでした：";
// Length of kFailText: the reason after it.
constexpr qsizetype kFailPrefix = std::size(kFailText) - 1;
// Copies are made in pieces of this size.
constexpr std::size_t kCopyChunk = 1 << 20;

Trash::Result Fail(const QString& why) {
  return {false, QString::fromUtf16(kFailText) + why};
}

QString SystemError(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray Join(const QByteArray& folder, const QByteArray& name) {
  return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QByteArray ParentOf(const QByteArray& path) {
  const qsizetype slash = path.lastIndexOf('/');
  return slash <= 0 ? QByteArray("/") : path.left(slash);
}

// mkdir -p with mode 0700; false with `error` set when some level cannot be a folder.
bool MakeFolders(const QByteArray& path, int& error) {
  struct stat st {};
  if (::stat(path.constData(), &st) == 0) {
    error = ENOTDIR;
    return S_ISDIR(st.st_mode);
  }
  if (errno != ENOENT) {
    error = errno;
    return false;
  }
  const QByteArray parent = ParentOf(path);
  if (parent != path && !MakeFolders(parent, error))
    return false;
  if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
    error = errno;
    return false;
  }
  error = ENOTDIR;
  return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeTrashFolders(const QByteArray& root, int& error) {
  return MakeFolders(Join(root, "files"), error) && MakeFolders(Join(root, "info"), error);
}

QByteArray HomeTrash() {
  // A relative XDG_DATA_HOME is invalid by the base directory rules: it would put the trash
  // into whatever the working folder happens to be.
  QByteArray data = qgetenv("XDG_DATA_HOME");
  if (!data.startsWith('/')) {
    QByteArray home = qgetenv("HOME");
    if (!home.startsWith('/')) {
      // The reentrant look-up: files are trashed on the conversions' worker threads.
      passwd entry{};
      passwd* pw = nullptr;
      char buffer[4096];
      home = ::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &pw) == 0 && pw && pw->pw_dir
                 ? QByteArray(pw->pw_dir)
                 : QByteArray();
    }
    if (!home.startsWith('/'))
      return {};
    data = Join(home, ".local/share");
  }
  return Join(data, "Trash");
}

// The device the home trash is or would be created on: that of its nearest existing folder.
bool DeviceOfNearest(QByteArray path, dev_t& device) {
  struct stat st {};
  while (::stat(path.constData(), &st) != 0) {
    if (path == "/")
      return false;
    path = ParentOf(path);
  }
  device = st.st_dev;
  return true;
}

QByteArray MountTop(QByteArray folder, dev_t device) {
  struct stat st {};
  while (folder != "/") {
    const QByteArray parent = ParentOf(folder);
    if (::stat(parent.constData(), &st) != 0 || st.st_dev != device)
      break;
    folder = parent;
  }
  return folder;
}

// A trash below a mount top must be a real folder of ours, not a link someone else planted.
bool MakeTopTrash(const QByteArray& root, int& error) {
  if (!MakeTrashFolders(root, error))
    return false;
  struct stat st {};
  error = EPERM;
  return ::lstat(root.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

bool TopTrash(const QByteArray& topdir, QByteArray& root, int& error) {
  const QByteArray uid = QByteArray::number(::getuid());
  const QByteArray shared = Join(topdir, ".Trash");
  struct stat st {};
  if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
    root = Join(shared, uid);
    if (MakeTopTrash(root, error))
      return true;
  }
  root = Join(topdir, ".Trash-" + uid);
  return MakeTopTrash(root, error);
}

// "name.ext" → "name.2.ext"; a leading dot does not start an extension.
QByteArray NumberedName(const QByteArray& name, int n) {
  const qsizetype dot = name.lastIndexOf('.');
  const QByteArray number = '.' + QByteArray::number(n);
  return dot <= 0 ? name + number : name.left(dot) + number + name.mid(dot);
}

QByteArray InfoText(const QByteArray& pathInTrash) {
  char date[32] = {};
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
  return "[Trash Info]\nPath=" + pathInTrash.toPercentEncoding("/") + "\nDeletionDate=" + date +
         "\n";
}

bool WriteAll(int fd, const QByteArray& data) {
  qsizetype done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.constData() + done, static_cast<size_t>(data.size() - done));
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    done += n;
  }
  return true;
}

// Puts the file at `target` (a name nothing holds); the reason when it cannot.
using PutFile = std::function<QString(const QByteArray& target)>;

// The info file is claimed first with O_EXCL: it reserves the name against other programs
// trashing at the same time, and a crash between the two steps leaves an orphan info file,
// which trash viewers tolerate, rather than a file nobody can restore.
Trash::Result PutInto(const QByteArray& root, const QByteArray& name, const QByteArray& pathInTrash,
                      const PutFile& put) {
  const QByteArray info = InfoText(pathInTrash);
  for (int n = 1;; ++n) {
    const QByteArray candidate = n == 1 ? name : NumberedName(name, n);
    const QByteArray infoPath = Join(root, "info/" + candidate + ".trashinfo");
    const int fd = ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST && n < INT_MAX)
        continue;
      return Fail(QStringLiteral("情報ファイルを作れません（%1）").arg(SystemError(errno)));
    }
    // rename() would silently replace a file left in files/ without its info file.
    const QByteArray target = Join(root, "files/" + candidate);
    struct stat st {};
    if (::lstat(target.constData(), &st) == 0) {
      ::close(fd);
      ::unlink(infoPath.constData());
      continue;
    }
    const bool written = WriteAll(fd, info);
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
      ::unlink(infoPath.constData());
      return Fail(QStringLiteral("情報ファイルを書けません（%1）")
                      .arg(SystemError(written ? errno : writeError)));
    }
    if (const QString why = put(target); !why.isEmpty()) {
      ::unlink(infoPath.constData());
      return Fail(why);
    }
    return {true, {}};
  }
}

// Reads both files from their start and compares them byte for byte.
bool SameBytes(int a, int b) {
  std::vector<char> left(kCopyChunk);
  std::vector<char> right(kCopyChunk);
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(a, left.data(), left.size(), at);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return false;
    ssize_t m = 0;
    while (m < n) {
      const ssize_t got = ::pread(b, right.data() + m, static_cast<size_t>(n - m), at + m);
      if (got < 0 && errno == EINTR)
        continue;
      if (got <= 0)
        return false;
      m += got;
    }
    if (n == 0) {
      char extra = 0;
      return ::pread(b, &extra, 1, at) == 0;
    }
    if (std::memcmp(left.data(), right.data(), static_cast<size_t>(n)) != 0)
      return false;
    at += n;
  }
}

bool CopyAll(int from, int to) {
  std::vector<char> buffer(kCopyChunk);
  for (;;) {
    const ssize_t n = ::read(from, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return n == 0;
    if (!WriteAll(to, QByteArray::fromRawData(buffer.data(), n)))
      return false;
  }
}

// Copies the regular file `file` to the new name `target` with its permission bits and times,
// syncs the copy and compares it, read back, with the file byte for byte; the file must not
// have changed meanwhile. The reason when any step fails, and then no copy is left.
QString CopyChecked(const QByteArray& file, const QByteArray& target) {
  const int in = ::open(file.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  struct stat before {};
  if (in < 0 || ::fstat(in, &before) != 0 || !S_ISREG(before.st_mode)) {
    const int error = in < 0 ? errno : EINVAL;
    if (in >= 0)
      ::close(in);
    return QStringLiteral("元のファイルを読めません（%1）").arg(SystemError(error));
  }
  const int out = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (out < 0) {
    const int error = errno;
    ::close(in);
    return QStringLiteral("コピーを作れません（%1）").arg(SystemError(error));
  }
  const struct timespec times[2] = {before.st_atim, before.st_mtim};
  bool copied = CopyAll(in, out) && ::fchmod(out, before.st_mode & 07777) == 0 &&
                ::futimens(out, times) == 0 && ::fsync(out) == 0;
  copied = ::close(out) == 0 && copied;
  QString why =
      copied ? QString() : QStringLiteral("コピーを書けません（%1）").arg(SystemError(errno));
  if (why.isEmpty()) {
    // Read back from the disk, not from what the system still caches of the writing.
    const int back = ::open(target.constData(), O_RDONLY | O_CLOEXEC);
    struct stat after {};
    if (back >= 0)
      ::posix_fadvise(back, 0, 0, POSIX_FADV_DONTNEED);
    const bool same = back >= 0 && SameBytes(in, back) && ::fstat(in, &after) == 0 &&
                      after.st_size == before.st_size &&
                      after.st_mtim.tv_sec == before.st_mtim.tv_sec &&
                      after.st_mtim.tv_nsec == before.st_mtim.tv_nsec;
    if (back >= 0)
      ::close(back);
    if (!same)
      why = QStringLiteral("コピーが元のファイルと一致しません");
  }
  ::close(in);
  if (!why.isEmpty())
    ::unlink(target.constData());
  return why;
}

// The file renamed into the trash; `error` keeps the rename's errno.
PutFile Renamed(const QByteArray& file, int& error) {
  return [&file, &error](const QByteArray& target) {
    error = ::rename(file.constData(), target.constData()) == 0 ? 0 : errno;
    return error == 0 ? QString() : SystemError(error);
  };
}

// The file copied into the trash, checked, and only then removed. Every descriptor is closed
// before the removal: a file system in user space keeps a removed file that is still open as
// a hidden ".fuse_hidden…" file.
PutFile Copied(const QByteArray& file) {
  return [&file](const QByteArray& target) {
    if (QString why = CopyChecked(file, target); !why.isEmpty())
      return why;
    if (::unlink(file.constData()) != 0) {
      const int error = errno;
      ::unlink(target.constData());
      return QStringLiteral("元のファイルを消せません（%1）").arg(SystemError(error));
    }
    return QString();
  };
}

} // namespace

Trash::Result Trash::MoveToTrash(const QString& path) {
  const QByteArray file = FsPath::Encode(FsPath::Absolute(path));
  struct stat st {};
  if (::lstat(file.constData(), &st) != 0)
    return Fail(QStringLiteral("ファイルがありません"));
  if (S_ISDIR(st.st_mode))
    return Fail(QStringLiteral("フォルダは移せません"));
  if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
    return Fail(QStringLiteral("通常のファイルではありません"));

  // The restore path and the mount top are taken from the folder's real location, so a path
  // reached through a symbolic link still leads back to where the file lay.
  const QByteArray name = file.mid(file.lastIndexOf('/') + 1);
  char* real = ::realpath(ParentOf(file).constData(), nullptr);
  if (!real)
    return Fail(SystemError(errno));
  const QByteArray folder(real);
  std::free(real);
  const QByteArray original = Join(folder, name);

  int error = 0;
  int renameError = 0;
  const QByteArray home = HomeTrash();
  dev_t homeDevice = 0;
  const bool homeFound = !home.isEmpty() && DeviceOfNearest(home, homeDevice);
  const auto copyHome = [&](const QString& why) {
    if (S_ISLNK(st.st_mode))
      return Fail(why);
    if (!homeFound || !MakeTrashFolders(home, error))
      return Fail(why + QStringLiteral("、ホームのごみ箱も作れません"));
    const Trash::Result copied = PutInto(home, name, original, Copied(file));
    return copied.ok ? copied : Fail(why + QStringLiteral("、") + copied.reason.mid(kFailPrefix));
  };
  if (homeFound && homeDevice == st.st_dev) {
    if (!MakeTrashFolders(home, error))
      return Fail(QStringLiteral("ごみ箱のフォルダを作れません（%1）").arg(SystemError(error)));
    const Trash::Result moved = PutInto(home, name, original, Renamed(file, renameError));
    // Same device, yet a bind mount between them refuses the rename: a copy is the way.
    return moved.ok || renameError != EXDEV ? moved : copyHome(moved.reason.mid(kFailPrefix));
  }
  // A file of another file system goes to the trash at the top of that file system; where none
  // can be made there or it cannot take the file, the home trash takes a checked copy.
  const QByteArray topdir = MountTop(folder, st.st_dev);
  QByteArray root;
  if (!TopTrash(topdir, root, error))
    return copyHome(
        QStringLiteral("このドライブにごみ箱を作れません（%1）").arg(SystemError(error)));
  // A trash below a mount top records paths relative to that top, so the files can be
  // restored wherever the device is mounted next time.
  const QByteArray relative = original.mid(topdir == "/" ? 1 : topdir.size() + 1);
  const Trash::Result moved = PutInto(root, name, relative, Renamed(file, renameError));
  return moved.ok ? moved : copyHome(moved.reason.mid(kFailPrefix));
}
