// A folder shown again through bindfs, a file system in user space (FUSE): it refuses a rename
// that must not replace and keeps a file removed while open as ".fuse_hidden…", as network
// shares and sshfs, rclone or gvfs mounts do. The backing folder is a fresh temporary folder.
#pragma once

#include "AudioFixtures.h"

#include <filesystem>
#include <string>
#include <vector>

namespace fixtures {

class FuseMount {
public:
  // Mounts with bindfs's `options` ("-r": read-only); Failure() says why when that was not
  // possible.
  explicit FuseMount(const std::string& options = {});
  // Unmounts; the backing folder then goes with everything in it.
  ~FuseMount();
  FuseMount(const FuseMount&) = delete;
  FuseMount& operator=(const FuseMount&) = delete;

  // Empty when mounted.
  const std::string& Failure() const { return failure_; }
  // The folder through the mount, and the same folder on the local disk.
  std::filesystem::path Mounted() const { return dir_ / "mnt"; }
  std::filesystem::path Backing() const { return dir_ / "back"; }
  // Every ".fuse_hidden…" file under the mount, relative to it.
  std::vector<std::string> HiddenLeftovers() const;

private:
  TempDir dir_;
  std::string failure_;
  bool mounted_ = false;
};

} // namespace fixtures
