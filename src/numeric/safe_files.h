// Writing and reading files without surprises: the one way every writer and reader of
// the program touches a named file.
//
// Output goes to a temporary file in the target's folder, which is renamed over the
// target's name only when every byte is on disk. The target must be absent, a regular file
// the user may write, or a symbolic link (replaced as a name: the file it points to is
// never written); a directory, device, FIFO or socket is refused. A failed write (full
// disk, file size limit) or a terminating signal leaves no temporary behind, and an
// existing file stays as it was.
//
// Input is opened only when it is a regular file (or a link to one) of a bounded size; a
// FIFO or a device is refused before anything blocks or streams without end. Each input
// is read once, from one descriptor, with its bound enforced while reading (a file that
// grows is cut off as too large).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Why a file could not be written or read.
enum class file_problem {
  none,
  missing,       // "does not exist"
  directory,     // "is a directory"
  not_regular,   // "is not a regular file" (device, FIFO, socket)
  not_writable,  // "is not writable by you"
  too_large,     // "is too large"
  no_memory,     // "not enough memory to read it"
  system,        // the system's own reason (errno)
};

// The reason as a short phrase for messages ("is a directory", ...); for system, the
// text of `error` (an errno value).
std::string file_problem_text(file_problem problem, int error = 0);

// One output file. open() checks the target and creates the temporary, write() appends,
// commit() renames over the target. Any failure drops the temporary; the destructor
// drops an uncommitted one.
class safe_output {
 public:
  safe_output() = default;
  safe_output(const safe_output&) = delete;
  safe_output& operator=(const safe_output&) = delete;
  ~safe_output() { discard(); }

  bool open(const std::string& target);
  bool is_open() const { return fd_ >= 0; }
  // Never throws (a write callback of C libraries): a lack of memory is a failure.
  bool write(const void* data, std::size_t size);
  bool write(const std::string& text) { return write(text.data(), text.size()); }
  bool commit();
  void discard();
  // false: commit() renames without flushing to disk first (a scratch file, which a
  // system crash may leave empty).
  void set_durable(bool on) { durable_ = on; }

  // "<target>: <reason>" of the last failure, empty when there was none.
  const std::string& failure() const { return failure_; }

 private:
  bool flush();
  bool write_direct(const void* data, std::size_t size);
  bool fail(file_problem problem, int error = 0);

  int fd_ = -1;
  int slot_ = -1;  // entry in the table of temporaries removed on a fatal signal
  bool durable_ = true;
  std::string target_, temp_, buffer_, failure_;
};

// In a child process forked while temporaries were open: they are the parent's, which
// it removes or renames itself; the child's signals no longer remove them.
void forget_inherited_temporaries();

// Durability. By default commit() flushes each file to disk before the rename, so that
// after a system crash the name holds either the old or the new content. A batch that
// writes thousands of files defers the flushes: commit() then renames at once (readers
// still see either the old or the whole new file) and notes the file system, and
// flush_deferred_files() makes everything written since durable with one syncfs per file
// system. Until then a system crash may leave a renamed file empty.
void defer_file_flushes(bool on);
// syncfs of every file system a deferred commit wrote to since the last call. False when
// one failed, with "<folder>: <reason>" in `failure` (when given).
bool flush_deferred_files(std::string* failure = nullptr);

// Writes `size` bytes as the whole file `target`. On failure `failure` (when given)
// receives "<target>: <reason>".
bool write_file_safely(const std::string& target, const void* data, std::size_t size,
                       std::string* failure = nullptr);

// Opens `path` for reading: stat, then open without blocking and fstat again, so that
// only a regular file of at most max_bytes is ever read. Returns the descriptor (blocking
// mode restored) or -1 with the problem.
int open_input_file(const std::string& path, std::size_t max_bytes, file_problem& problem);

// What open_input_file would find at `path` (none when it would open it).
file_problem input_file_problem(const std::string& path);

// The whole file, at most max_bytes; an allocation failure is a problem, not an abort.
file_problem read_input_file(const std::string& path, std::size_t max_bytes,
                             std::vector<uint8_t>& bytes);
// The SHA-256 of `size` bytes as 64 lower-case hex digits: the record of a file is made
// from the bytes read, never by reading the name again.
std::string sha256_hex(const void* data, std::size_t size);
// The rest of an open stream, at most max_bytes (too_large beyond).
file_problem read_input_stream(std::FILE* stream, std::size_t max_bytes,
                               std::vector<uint8_t>& bytes);
