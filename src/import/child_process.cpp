#include "import/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

// The sanitizers reserve terabytes of address space: their builds run the child without
// the memory limit, and let its crashes end it by a signal as in other builds (the
// sanitizer would report them and exit with a status instead; what it finds first ends
// the child with SIGABRT).
#if defined(__SANITIZE_ADDRESS__)
#define AMOQ_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define AMOQ_SANITIZED 1
#endif
#endif

extern char** environ;

namespace {

constexpr std::size_t err_tail_bytes = 4096;

struct fd_pair {
  int r = -1, w = -1;
  bool open() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    r = fds[0], w = fds[1];
    return true;
  }
  void close_all() {
    if (r >= 0) ::close(r);
    if (w >= 0) ::close(w);
    r = w = -1;
  }
};

void set_limit(int resource, rlim_t value) {
  struct rlimit now;
  if (::getrlimit(resource, &now) != 0) return;
  // Never above the hard limit the parent has.
  rlim_t soft = now.rlim_max == RLIM_INFINITY ? value : std::min(value, now.rlim_max);
  struct rlimit lim = {soft, now.rlim_max == RLIM_INFINITY ? soft : std::min(soft, now.rlim_max)};
  ::setrlimit(resource, &lim);
}

// In the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void exec_child(const std::vector<char*>& args, char* const* env, const fd_pair& in,
                             const fd_pair& out, const fd_pair& err, const child_limits& limits) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // no reader outlives the program
  ::dup2(in.r, 0);
  ::dup2(out.w, 1);
  ::dup2(err.w, 2);
  ::close_range(3, ~0U, 0);
  // Default dispositions and an empty mask for the new program (ignored signals would
  // otherwise stay ignored across exec).
  for (int sig : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGXFSZ, SIGXCPU}) ::signal(sig, SIG_DFL);
  sigset_t none;
  ::sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
#ifndef AMOQ_SANITIZED
  set_limit(RLIMIT_AS, limits.memory_bytes);
#endif
  set_limit(RLIMIT_STACK, limits.stack_bytes);
  // SIGXCPU at the soft limit, SIGKILL a second later.
  struct rlimit cpu = {static_cast<rlim_t>(limits.cpu_seconds), static_cast<rlim_t>(limits.cpu_seconds) + 1};
  ::setrlimit(RLIMIT_CPU, &cpu);
  set_limit(RLIMIT_FSIZE, 0);  // it writes to its pipes only
  set_limit(RLIMIT_CORE, 0);
  if (::chdir("/") != 0) ::_exit(126);
  ::execve(args[0], args.data(), env);
  ::_exit(127);
}

// The child's environment: this program's, in sanitizer builds with the options that leave
// its crashes to their signals. Made before fork, as the child may only call what is
// async-signal-safe.
std::vector<std::string> child_environment() {
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e)
#ifdef AMOQ_SANITIZED
    if (std::strncmp(*e, "ASAN_OPTIONS=", 13) != 0)
#endif
      env.emplace_back(*e);
#ifdef AMOQ_SANITIZED
  env.emplace_back("ASAN_OPTIONS=handle_segv=0:handle_sigbus=0:handle_abort=0:abort_on_error=1:detect_leaks=0");
#endif
  return env;
}

double now_seconds() {
  struct timespec t;
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The child's status once it has ended; one still running at the deadline (it closed its
// pipes but goes on) is killed first. False when it had to be killed.
bool wait_until(pid_t pid, double deadline, int& status) {
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno != EINTR)) return true;
    if (now_seconds() >= deadline) {
      ::kill(pid, SIGKILL);
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      return false;
    }
    const struct timespec pause = {0, 5 * 1000 * 1000};
    ::nanosleep(&pause, nullptr);
  }
}

// A write to a child that has died must not end this program with SIGPIPE: the signal is
// blocked in this thread while the input is written, and one it raised is taken back.
class sigpipe_guard {
 public:
  sigpipe_guard() {
    ::sigemptyset(&pipe_);
    ::sigaddset(&pipe_, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
    sigset_t pending;
    ::sigpending(&pending);
    was_pending_ = ::sigismember(&pending, SIGPIPE) == 1;
  }
  ~sigpipe_guard() {
    if (!was_pending_) {
      const struct timespec zero = {0, 0};
      while (::sigtimedwait(&pipe_, nullptr, &zero) == SIGPIPE) {
      }
    }
    ::pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  }

 private:
  sigset_t pipe_, old_;
  bool was_pending_ = false;
};

}  // namespace

child_result run_limited(const std::vector<std::string>& argv, std::string_view input, const child_limits& limits) {
  child_result result;
  if (argv.empty()) {
    result.error = ENOENT;
    return result;
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<std::string> env_text = child_environment();
  std::vector<char*> env;
  for (std::string& e : env_text) env.push_back(e.data());
  env.push_back(nullptr);
  fd_pair in, out, err;
  if (!in.open() || !out.open() || !err.open()) {
    result.error = errno;
    in.close_all(), out.close_all(), err.close_all();
    return result;
  }
  const pid_t pid = ::fork();
  if (pid == 0) exec_child(args, env.data(), in, out, err, limits);
  if (pid < 0) {
    result.error = errno;
    in.close_all(), out.close_all(), err.close_all();
    return result;
  }
  ::close(in.r), ::close(out.w), ::close(err.w);
  int to_child = in.w, from_out = out.r, from_err = err.r;
  for (int fd : {to_child, from_out, from_err}) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);

  sigpipe_guard guard;
  std::size_t written = 0;
  if (input.empty()) ::close(to_child), to_child = -1;
  const double deadline = now_seconds() + limits.wall_seconds;
  result.how = child_result::ending::exited;
  bool killed = false;
  char chunk[65536];
  while (from_out >= 0 || from_err >= 0) {
    struct pollfd fds[3];
    int n = 0;
    if (to_child >= 0) fds[n++] = {to_child, POLLOUT, 0};
    if (from_out >= 0) fds[n++] = {from_out, POLLIN, 0};
    if (from_err >= 0) fds[n++] = {from_err, POLLIN, 0};
    const double left = deadline - now_seconds();
    if (left <= 0.0) {
      result.how = child_result::ending::timed_out;
      break;
    }
    const int ready = ::poll(fds, static_cast<nfds_t>(n), static_cast<int>(std::min(left, 1.0) * 1000.0) + 1);
    if (ready < 0 && errno != EINTR) {
      result.how = child_result::ending::timed_out;  // cannot watch it any more: ended
      break;
    }
    for (int i = 0; i < n && ready > 0; ++i) {
      if (!fds[i].revents) continue;
      const int fd = fds[i].fd;
      if (fd == to_child) {
        const ssize_t w = ::write(fd, input.data() + written, std::min<std::size_t>(input.size() - written, 1 << 16));
        if (w > 0) written += static_cast<std::size_t>(w);
        // Done, or the child stopped reading (it has its answer, or it died).
        if ((w < 0 && errno != EAGAIN && errno != EINTR) || written == input.size()) ::close(fd), to_child = -1;
        continue;
      }
      const ssize_t got = ::read(fd, chunk, sizeof chunk);
      if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (got <= 0) {
        ::close(fd);
        (fd == from_out ? from_out : from_err) = -1;
        continue;
      }
      if (fd == from_err) {
        result.err_tail.append(chunk, static_cast<std::size_t>(got));
        if (result.err_tail.size() > err_tail_bytes) result.err_tail.erase(0, result.err_tail.size() - err_tail_bytes);
      } else if (result.out.size() + static_cast<std::size_t>(got) > limits.output_bytes) {
        result.how = child_result::ending::output_limit;
        killed = true;
        break;
      } else {
        result.out.append(chunk, static_cast<std::size_t>(got));
      }
    }
    if (killed) break;
  }
  if (result.how != child_result::ending::exited) ::kill(pid, SIGKILL);
  for (int fd : {to_child, from_out, from_err})
    if (fd >= 0) ::close(fd);
  int status = 0;
  if (!wait_until(pid, deadline, status) && result.how == child_result::ending::exited)
    result.how = child_result::ending::timed_out;
  if (result.how == child_result::ending::exited) {
    if (WIFSIGNALED(status)) {
      result.how = child_result::ending::signalled;
      result.status = WTERMSIG(status);
    } else {
      result.status = WEXITSTATUS(status);
    }
  }
  if (result.how != child_result::ending::exited) result.out.clear();
  return result;
}

std::string child_ending_text(const child_result& r) {
  switch (r.how) {
    case child_result::ending::exited:
      if (r.status == 127) return "the reader program could not be run";
      return "exit status " + std::to_string(r.status);
    case child_result::ending::timed_out: return "no answer within its time limit";
    case child_result::ending::output_limit: return "its answer exceeded its size limit";
    case child_result::ending::not_started: return std::strerror(r.error);
    case child_result::ending::signalled: break;
  }
  switch (r.status) {
    case SIGSEGV: return "segmentation fault";
    case SIGBUS: return "bus error";
    case SIGABRT: return "aborted";
    case SIGFPE: return "arithmetic exception";
    case SIGILL: return "illegal instruction";
    case SIGXCPU: case SIGKILL: return "CPU time limit reached";
    default: return "signal " + std::to_string(r.status);
  }
}
