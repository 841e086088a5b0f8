#include <dirent.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

#include "tools/tarnpack/fs.h"

extern char** environ;

namespace fs {

namespace {

bool Walk(const std::string& root, const std::string& prefix, std::vector<TreeEntry>* out, std::string* error) {
  const std::string folder = prefix.empty() ? root : Join(root, prefix);
  DIR* dir = opendir(folder.c_str());
  if (!dir) {
    *error = "cannot read the folder " + folder + ": " + std::strerror(errno);
    return false;
  }
  std::vector<std::string> names;
  while (dirent* d = readdir(dir)) {
    std::string name = d->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string path = Join(folder, name);
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
      *error = "cannot read " + path + ": " + std::strerror(errno);
      return false;
    }
    struct tm local;
    localtime_r(&st.st_mtime, &local);
    TreeEntry e;
    e.dosTime = DosTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                        local.tm_sec);
    e.modified = static_cast<int64_t>(st.st_mtime);
    e.relative = prefix + name;
    if (S_ISDIR(st.st_mode)) {
      e.folder = true;
      e.relative += "/";
      e.attributes = 0x10;
      out->push_back(e);
      if (!Walk(root, e.relative, out, error)) return false;
    } else if (S_ISREG(st.st_mode)) {
      e.size = static_cast<uint64_t>(st.st_size);
      e.attributes = 0x20 | ((st.st_mode & S_IWUSR) ? 0 : 0x01);
      out->push_back(e);
    }
  }
  return true;
}

}  // namespace

bool ListTree(const std::string& root, std::vector<TreeEntry>* entries, std::string* error) {
  entries->clear();
  return Walk(root, "", entries, error);
}

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

FILE* OpenForReading(const std::string& path) { return std::fopen(path.c_str(), "rb"); }
FILE* OpenForWriting(const std::string& path) { return std::fopen(path.c_str(), "wb"); }
bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0777) == 0; }
bool RenameOver(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }
void Remove(const std::string& path) { unlink(path.c_str()); }

bool RunProgram(const std::vector<std::string>& arguments, int* exitCode, std::string* output, std::string* error) {
  output->clear();
  *exitCode = -1;
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int out[2];
  if (pipe(out) != 0) {
    *error = "cannot run " + arguments[0] + ": " + std::strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, out[1], 2);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);
  pid_t pid = 0;
  const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (started != 0) {
    close(out[0]);
    *error = "cannot run " + arguments[0] + ": " + std::strerror(started);
    return false;
  }
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(out[0], buffer, sizeof buffer);
    if (got > 0) output->append(buffer, static_cast<size_t>(got));
    else if (got == 0 || errno != EINTR) break;
  }
  close(out[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) *exitCode = WEXITSTATUS(status);
  return true;
}

bool RunsPrograms() { return true; }

std::string ProgramFolder() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "./";
  std::string self(buf, static_cast<size_t>(n));
  return self.substr(0, self.find_last_of('/') + 1);
}

}  // namespace fs
