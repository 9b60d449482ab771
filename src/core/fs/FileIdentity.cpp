#include "core/fs/FileIdentity.h"

#include "core/fs/FsPath.h"

#include <sys/stat.h>

namespace {

std::int64_t Nanoseconds(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

} // namespace

std::optional<FileIdentity> FileIdentity::Of(const QString& path) {
  struct stat st {};
  if (!FsPath::Stat(path, st))
    return std::nullopt;
  return FileIdentity{st.st_dev, st.st_ino, st.st_size, Nanoseconds(st.st_ctim),
                      Nanoseconds(st.st_mtim)};
}
