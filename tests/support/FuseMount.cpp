#include "FuseMount.h"

#include <cerrno>
#include <string>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fixtures {

namespace {

namespace fs = std::filesystem;

// Runs a program found on PATH; its exit status, or -1 when it could not run.
int Run(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& a : arguments)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
    return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR)
      return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool OnOtherDevice(const fs::path& a, const fs::path& b) {
  struct stat sa {};
  struct stat sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev != sb.st_dev;
}

} // namespace

FuseMount::FuseMount() {
  fs::create_directory(Backing());
  fs::create_directory(Mounted());
  if (::access("/dev/fuse", R_OK | W_OK) != 0) {
    failure_ = "/dev/fuse cannot be opened (no FUSE in this system or container)";
    return;
  }
  // bindfs puts itself in the background once the mount is there.
  const int status = Run({"bindfs", Backing().string(), Mounted().string()});
  if (status != 0) {
    failure_ = status < 0 ? "bindfs is not installed (scripts/deps.sh installs it)"
                          : "bindfs failed with status " + std::to_string(status);
    return;
  }
  mounted_ = OnOtherDevice(Mounted(), Backing());
  if (!mounted_)
    failure_ = "bindfs returned, but nothing is mounted on " + Mounted().string();
}

FuseMount::~FuseMount() {
  // Lazily: a file a failed test left open must not keep the mount, or the folder, behind.
  if (mounted_ && Run({"umount", "-l", Mounted().string()}) != 0)
    Run({"fusermount", "-u", "-z", Mounted().string()});
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
