#include "testing/private_mounts.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace veltane::test {
namespace {

constexpr unsigned long kMountFlags = MS_NOSUID | MS_NODEV | MS_NOEXEC;

std::string Failed(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

bool WriteFile(const char* path, const std::string& text) {
  const int fd = open(path, O_WRONLY | O_CLOEXEC);
  const bool written = fd >= 0 && write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  if (fd >= 0) close(fd);
  return written;
}

// Keeps the right to mount in the new namespace and gives up every other one, so that, for one, a file
// without write permission cannot be written.
bool KeepOnlyMounting() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
  data[CAP_TO_INDEX(CAP_SYS_ADMIN)].effective = CAP_TO_MASK(CAP_SYS_ADMIN);
  data[CAP_TO_INDEX(CAP_SYS_ADMIN)].permitted = CAP_TO_MASK(CAP_SYS_ADMIN);
  return syscall(SYS_capset, &header, data) == 0;
}

}  // namespace

// The user keeps its own ids inside, so that what it owns outside it owns inside.
std::string EnterPrivateMounts() {
  const std::string uid = std::to_string(geteuid());
  const std::string gid = std::to_string(getegid());
  if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return Failed("unshare");
  WriteFile("/proc/self/setgroups", "deny");
  if (!WriteFile("/proc/self/uid_map", uid + ' ' + uid + " 1\n") ||
      !WriteFile("/proc/self/gid_map", gid + ' ' + gid + " 1\n")) {
    return Failed("user mapping");
  }
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return Failed("private mounts");
  if (!KeepOnlyMounting()) return Failed("capset");
  return {};
}

ScopedMount::ScopedMount(const std::filesystem::path& folder, std::size_t size) : m_folder(folder) {
  const std::string options = "size=" + std::to_string(size) + ",mode=0700";
  if (mount("veltane-test", m_folder.c_str(), "tmpfs", kMountFlags, options.c_str()) != 0) {
    m_error = Failed("mount");
  }
}

ScopedMount::~ScopedMount() {
  if (m_error.empty()) umount2(m_folder.c_str(), MNT_DETACH);
}

bool ScopedMount::MakeReadOnly() {
  return m_error.empty() &&
         mount(nullptr, m_folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY | kMountFlags, nullptr) == 0;
}

bool ScopedMount::Fill(const std::string& name) {
  const int fd = open((m_folder / name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const char block[4096] = {};
  ssize_t written = 0;
  do {
    written = write(fd, block, sizeof block);
  } while (written > 0);
  const bool full = errno == ENOSPC;
  close(fd);
  return full;
}

}  // namespace veltane::test
