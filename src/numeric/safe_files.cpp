// Safe output and bounded input of named files (POSIX).
#include "numeric/safe_files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nettle/sha2.h>

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <new>

namespace {

constexpr std::size_t output_buffer = 64 * 1024;
constexpr std::size_t read_chunk = 64 * 1024;

// ------------------------------------------------------------ temporaries and signals
//
// While a temporary exists, a terminating signal (hang-up, interrupt, termination)
// removes it before the signal takes its course, and SIGXFSZ is ignored so that a file
// size limit makes write() fail (and the temporary go) instead of ending the process.
// The handlers are installed with the first temporary and removed with the last; the
// table is fixed-size so the handler only touches memory that is always there.

constexpr int max_temporaries = 4;
constexpr std::size_t max_temporary_path = 4096;
char temporaries[max_temporaries][max_temporary_path];
volatile sig_atomic_t temporary_live[max_temporaries];
int live_count = 0;

const int fatal_signals[] = {SIGHUP, SIGINT, SIGTERM};
constexpr int nfatal = sizeof fatal_signals / sizeof fatal_signals[0];
struct sigaction saved_fatal[nfatal];
bool fatal_installed[nfatal];
struct sigaction saved_xfsz;

void remove_temporaries_and_raise(int sig) {
  for (int i = 0; i < max_temporaries; ++i)
    if (temporary_live[i]) ::unlink(temporaries[i]);
  for (int k = 0; k < nfatal; ++k)
    if (fatal_signals[k] == sig) ::sigaction(sig, &saved_fatal[k], nullptr);
  ::raise(sig);  // delivered with the disposition found, once this handler returns
}

void install_handlers() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  ::sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGXFSZ, &ignore, &saved_xfsz);
  struct sigaction cleanup {};
  cleanup.sa_handler = remove_temporaries_and_raise;
  ::sigemptyset(&cleanup.sa_mask);
  for (int k = 0; k < nfatal; ++k) {
    // A signal the process ignores (nohup) stays ignored.
    fatal_installed[k] = ::sigaction(fatal_signals[k], nullptr, &saved_fatal[k]) == 0 &&
                         saved_fatal[k].sa_handler != SIG_IGN;
    if (fatal_installed[k]) ::sigaction(fatal_signals[k], &cleanup, nullptr);
  }
}

void restore_handlers() {
  for (int k = 0; k < nfatal; ++k)
    if (fatal_installed[k]) ::sigaction(fatal_signals[k], &saved_fatal[k], nullptr);
  ::sigaction(SIGXFSZ, &saved_xfsz, nullptr);
}

int register_temporary(const std::string& path) {
  int slot = -1;
  for (int i = 0; i < max_temporaries && slot < 0; ++i)
    if (!temporary_live[i]) slot = i;
  if (slot < 0 || path.size() >= max_temporary_path) return -1;
  std::memcpy(temporaries[slot], path.c_str(), path.size() + 1);
  if (live_count++ == 0) install_handlers();
  temporary_live[slot] = 1;
  return slot;
}

void unregister_temporary(int slot) {
  if (slot < 0) return;
  temporary_live[slot] = 0;
  if (--live_count == 0) restore_handlers();
}

// --------------------------------------------------------------------------- helpers

std::string folder_of(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

file_problem kind_problem(mode_t mode) {
  if (S_ISREG(mode)) return file_problem::none;
  return S_ISDIR(mode) ? file_problem::directory : file_problem::not_regular;
}

file_problem errno_problem(int error) {
  if (error == ENOENT || error == ENOTDIR) return file_problem::missing;
  if (error == ENOMEM) return file_problem::no_memory;
  return file_problem::system;
}

// Creates the temporary: the target's name with a suffix, or a short name in the same
// folder when that would be too long. O_EXCL never follows a link planted at the name.
int create_temporary(const std::string& target, std::string& temp) {
  static unsigned counter = 0;
  const std::string pid = std::to_string(::getpid());
  bool short_name = false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string serial = pid + "-" + std::to_string(counter++);
    temp = short_name ? folder_of(target) + "/.amoq-" + serial + ".tmp"
                      : target + ".tmp-" + serial;
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0) return fd;
    if (errno == ENAMETOOLONG && !short_name) {
      short_name = true;
      continue;
    }
    if (errno != EEXIST) break;
  }
  const int error = errno;
  temp.clear();  // nothing of ours to remove
  errno = error;
  return -1;
}

// ------------------------------------------------------------------ deferred flushes

bool deferring = false;
struct deferred_fs {
  dev_t device;
  int fd;  // a folder on it, open until the flush
  int open_error;
  std::string folder;
};
std::vector<deferred_fs> deferred;

void note_deferred(const std::string& target, dev_t device) {
  for (const deferred_fs& d : deferred)
    if (d.device == device) return;
  const std::string folder = folder_of(target);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  deferred.push_back({device, fd, fd < 0 ? errno : 0, folder});  // the flush reports a failure
}

}  // namespace

void forget_inherited_temporaries() {
  if (live_count == 0) return;
  for (int i = 0; i < max_temporaries; ++i) temporary_live[i] = 0;
  live_count = 0;
  restore_handlers();
}

void defer_file_flushes(bool on) { deferring = on; }

bool flush_deferred_files(std::string* failure) {
  bool ok = true;
  for (deferred_fs& d : deferred) {
    const int error = d.fd < 0 ? d.open_error : (::syncfs(d.fd) == 0 ? 0 : errno);
    if (d.fd >= 0) ::close(d.fd);
    if (error != 0 && ok) {
      ok = false;
      if (failure) *failure = d.folder + ": " + std::strerror(error);
    }
  }
  deferred.clear();
  return ok;
}

// The texts are marked for the message catalogue; the layers above translate them.
#ifndef N_
#define N_(text) text
#endif

std::string file_problem_text(file_problem problem, int error) {
  switch (problem) {
    case file_problem::none: return "";
    case file_problem::missing: return N_("does not exist");
    case file_problem::directory: return N_("is a directory");
    case file_problem::not_regular: return N_("is not a regular file");
    case file_problem::not_writable: return N_("is not writable by you");
    case file_problem::too_large: return N_("is too large");
    case file_problem::no_memory: return N_("not enough memory to read it");
    case file_problem::system: break;
  }
  return std::strerror(error);
}

// ---------------------------------------------------------------------------- output

bool safe_output::fail(file_problem problem, int error) {
  failure_ = target_ + ": " + file_problem_text(problem, error);
  discard();
  return false;
}

// The target's kind decides: absent or a link → a new file with the default permissions;
// a regular file → its permissions are kept, and the user must be allowed to write it.
bool safe_output::open(const std::string& target) {
  discard();
  failure_.clear();
  target_ = target;
  if (target.empty()) return fail(file_problem::missing);
  struct stat st;
  bool keep_mode = false;
  if (::lstat(target.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      if (file_problem p = kind_problem(st.st_mode); p != file_problem::none) return fail(p);
      if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return fail(file_problem::not_writable);
      keep_mode = true;
    }
  } else if (errno != ENOENT) {
    return fail(errno_problem(errno), errno);
  }
  int fd = create_temporary(target, temp_);
  if (fd < 0) return fail(file_problem::system, errno);
  fd_ = fd;
  slot_ = register_temporary(temp_);
  if (keep_mode && ::fchmod(fd_, st.st_mode & 07777) != 0) return fail(file_problem::system, errno);
  return true;
}

bool safe_output::flush() {
  std::size_t done = 0;
  while (done < buffer_.size()) {
    ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail(file_problem::system, n < 0 ? errno : ENOSPC);
    done += static_cast<std::size_t>(n);
  }
  buffer_.clear();
  return true;
}

bool safe_output::write(const void* data, std::size_t size) {
  if (fd_ < 0) return false;
  // Callers hand this to C libraries as a write callback: no exception may leave it.
  try {
    if (buffer_.size() + size >= output_buffer && !flush()) return false;
    if (size >= output_buffer) return write_direct(data, size);
    buffer_.append(static_cast<const char*>(data), size);
  } catch (const std::bad_alloc&) {
    return fail(file_problem::no_memory);
  }
  return true;
}

bool safe_output::write_direct(const void* data, std::size_t size) {
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = ::write(fd_, static_cast<const char*>(data) + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail(file_problem::system, n < 0 ? errno : ENOSPC);
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool safe_output::commit() {
  if (fd_ < 0 || !flush()) return false;
  struct stat st;
  if (durable_ && deferring) {
    if (::fstat(fd_, &st) != 0) return fail(file_problem::system, errno);
    note_deferred(target_, st.st_dev);
  } else if (durable_ && ::fsync(fd_) != 0) {
    return fail(file_problem::system, errno);
  }
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) return fail(file_problem::system, errno);
  // The target may have changed kind since open(): look once more just before the rename.
  if (::lstat(target_.c_str(), &st) == 0 && !S_ISLNK(st.st_mode) &&
      kind_problem(st.st_mode) != file_problem::none)
    return fail(kind_problem(st.st_mode));
  if (::rename(temp_.c_str(), target_.c_str()) != 0) return fail(file_problem::system, errno);
  temp_.clear();
  discard();
  return true;
}

void safe_output::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  buffer_.clear();
  unregister_temporary(slot_);
  slot_ = -1;
}

bool write_file_safely(const std::string& target, const void* data, std::size_t size,
                       std::string* failure) {
  safe_output out;
  bool ok = out.open(target) && out.write(data, size) && out.commit();
  if (failure) *failure = out.failure();
  return ok;
}

// ----------------------------------------------------------------------------- input

int open_input_file(const std::string& path, std::size_t max_bytes, file_problem& problem) {
  problem = file_problem::none;
  struct stat st;
  // A device is never opened (opening one can act on the hardware); the FIFO case is
  // settled by the non-blocking open and fstat below, which also close the gap between
  // the two looks.
  if (path.empty() || ::stat(path.c_str(), &st) != 0) {
    problem = path.empty() ? file_problem::missing : errno_problem(errno);
    return -1;
  }
  if ((problem = kind_problem(st.st_mode)) != file_problem::none) return -1;
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    problem = errno_problem(errno);
    return -1;
  }
  if (::fstat(fd, &st) != 0) problem = file_problem::system;
  else problem = kind_problem(st.st_mode);
  if (problem == file_problem::none && static_cast<std::uintmax_t>(st.st_size) > max_bytes)
    problem = file_problem::too_large;
  const int flags = ::fcntl(fd, F_GETFL);
  if (problem == file_problem::none &&
      (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0))
    problem = file_problem::system;
  if (problem != file_problem::none) {
    ::close(fd);
    return -1;
  }
  return fd;
}

file_problem input_file_problem(const std::string& path) {
  file_problem problem;
  int fd = open_input_file(path, static_cast<std::size_t>(-1), problem);
  if (fd >= 0) ::close(fd);
  return problem;
}

file_problem read_input_stream(std::FILE* stream, std::size_t max_bytes,
                               std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (!stream) return file_problem::missing;
  file_problem problem = file_problem::none;
  try {
    std::vector<uint8_t> chunk(read_chunk);
    std::size_t got;
    while (problem == file_problem::none &&
           (got = std::fread(chunk.data(), 1, chunk.size(), stream)) > 0) {
      // The file may have grown since its size was checked.
      if (got > max_bytes - bytes.size()) problem = file_problem::too_large;
      else bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
    }
  } catch (const std::bad_alloc&) {
    problem = file_problem::no_memory;
  }
  if (problem == file_problem::none && std::ferror(stream)) problem = file_problem::system;
  if (problem != file_problem::none) bytes = std::vector<uint8_t>();
  return problem;
}

file_problem read_input_file(const std::string& path, std::size_t max_bytes,
                             std::vector<uint8_t>& bytes) {
  bytes.clear();
  file_problem problem;
  int fd = open_input_file(path, max_bytes, problem);
  if (fd < 0) return problem;
  struct stat st;
  std::FILE* f = ::fdopen(fd, "rb");
  if (!f) {
    ::close(fd);
    return file_problem::system;
  }
  try {  // one allocation of the checked size instead of repeated growth
    if (::fstat(fd, &st) == 0) bytes.reserve(static_cast<std::size_t>(st.st_size));
    problem = read_input_stream(f, max_bytes, bytes);
  } catch (const std::bad_alloc&) {
    problem = file_problem::no_memory;
  }
  std::fclose(f);
  return problem;
}

std::string sha256_hex(const void* data, std::size_t size) {
  sha256_ctx ctx;
  sha256_init(&ctx);
  const auto* p = static_cast<const uint8_t*>(data);
  // nettle takes size_t lengths; fed in pieces all the same, as the record's files are large.
  for (std::size_t done = 0; done < size;) {
    const std::size_t piece = std::min<std::size_t>(size - done, std::size_t{1} << 30);
    sha256_update(&ctx, piece, p + done);
    done += piece;
  }
  uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&ctx, SHA256_DIGEST_SIZE, digest);
  static const char hex[] = "0123456789abcdef";
  std::string out;
  for (uint8_t b : digest) {
    out += hex[b >> 4];
    out += hex[b & 15];
  }
  return out;
}
