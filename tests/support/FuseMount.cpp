#include "FuseMount.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace fixtures {

namespace fs = std::filesystem;

FuseMount::FuseMount(const std::string& options) {
  fs::create_directory(Backing());
  fs::create_directory(Mounted());
  if (::access("/dev/fuse", R_OK | W_OK) != 0) {
    failure_ = "/dev/fuse cannot be opened (no FUSE in this system or container)";
    return;
  }
  // bindfs puts itself in the background once the mount is there. The temporary folder's
  // names need no quoting beyond this.
  const int status = std::system(
      ("bindfs " + options + " '" + Backing().string() + "' '" + Mounted().string() + "'").c_str());
  if (status != 0) {
    failure_ = WIFEXITED(status) && WEXITSTATUS(status) == 127
                   ? "bindfs is not installed (scripts/deps.sh installs it)"
                   : "bindfs failed with status " + std::to_string(status);
    return;
  }
  struct stat back {};
  struct stat mounted {};
  mounted_ = ::stat(Backing().c_str(), &back) == 0 && ::stat(Mounted().c_str(), &mounted) == 0 &&
             back.st_dev != mounted.st_dev;
  if (!mounted_)
    failure_ = "bindfs returned, but nothing is mounted on " + Mounted().string();
}

FuseMount::~FuseMount() {
  // Lazily: a file a failed test left open must not keep the mount, or the folder, behind.
  if (mounted_)
    std::system(("umount -l '" + Mounted().string() + "'").c_str());
}

std::vector<std::string> FuseMount::HiddenLeftovers() const {
  std::vector<std::string> names;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(Mounted(), error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->path().filename().string().rfind(".fuse_hidden", 0) == 0)
      names.push_back(fs::relative(it->path(), Mounted()).string());
  }
  return names;
}

} // namespace fixtures
