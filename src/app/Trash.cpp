#include "app/Trash.h"

#include "app/FsPath.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

Trash::Result Fail(const QString& why) {
  return {false, QStringLiteral("ごみ箱に移せませんでした: ") + why};
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
      const passwd* pw = ::getpwuid(::getuid());
      home = pw && pw->pw_dir ? QByteArray(pw->pw_dir) : QByteArray();
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

// The info file is claimed first with O_EXCL: it reserves the name against other programs
// trashing at the same time, and a crash between the two steps leaves an orphan info file,
// which trash viewers tolerate, rather than a file nobody can restore.
Trash::Result MoveInto(const QByteArray& root, const QByteArray& file, const QByteArray& name,
                       const QByteArray& pathInTrash) {
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
    if (::rename(file.constData(), target.constData()) != 0) {
      const int error = errno;
      ::unlink(infoPath.constData());
      return Fail(SystemError(error));
    }
    return {true, {}};
  }
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
  const QByteArray home = HomeTrash();
  dev_t homeDevice = 0;
  if (!home.isEmpty() && DeviceOfNearest(home, homeDevice) && homeDevice == st.st_dev) {
    if (!MakeTrashFolders(home, error))
      return Fail(QStringLiteral("ごみ箱のフォルダを作れません（%1）").arg(SystemError(error)));
    return MoveInto(home, file, name, original);
  }
  const QByteArray topdir = MountTop(folder, st.st_dev);
  QByteArray root;
  if (!TopTrash(topdir, root, error))
    return Fail(QStringLiteral("このドライブにごみ箱を作れません（%1）").arg(SystemError(error)));
  // A trash below a mount top records paths relative to that top, so the files can be
  // restored wherever the device is mounted next time.
  const QByteArray relative = original.mid(topdir == "/" ? 1 : topdir.size() + 1);
  return MoveInto(root, file, name, relative);
}
