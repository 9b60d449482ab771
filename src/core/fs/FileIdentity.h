// What a file was at one moment: which file (device and inode) and its state (size, change and
// modification times, to the nanosecond). A file replaced under its name, or rewritten in place,
// is no longer the same: a sync tool or an audio workstation re-exporting a take does either.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t size = 0;
  std::int64_t changedNs = 0;
  std::int64_t modifiedNs = 0;

  // The file `path` names now, links followed; nullopt when nothing can be reached there.
  static std::optional<FileIdentity> Of(const QString& path);

  bool operator==(const FileIdentity&) const = default;
};
