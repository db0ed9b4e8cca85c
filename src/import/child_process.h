// Running a program we cannot trust to behave (it reads untrusted files with code we did
// not write) as a child process with limits: memory, stack, CPU time, wall time and the
// size of what it writes. Its input goes to its standard input, its standard output is
// its answer, the end of its standard error is kept for the reason of a failure. Whatever
// it does — crash, loop, flood its output, hang — the caller gets a result back.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct child_limits {
  std::size_t memory_bytes = std::size_t{1} << 30;  // address space (not in sanitizer builds)
  std::size_t stack_bytes = std::size_t{8} << 20;
  int cpu_seconds = 30;
  int wall_seconds = 60;
  std::size_t output_bytes = std::size_t{64} << 20;  // standard output beyond this ends it
};

struct child_result {
  enum class ending {
    exited,        // `status` is its exit status
    signalled,     // `status` is the signal that ended it
    timed_out,     // still running after wall_seconds: killed
    output_limit,  // wrote more than output_bytes: killed
    not_started,   // `error` holds the system's reason
  };
  ending how = ending::not_started;
  int status = 0;
  std::string out;       // standard output, complete when it exited
  std::string err_tail;  // the last bytes of its standard error
  int error = 0;         // errno when it could not be started
};

// Runs argv[0] (a path) with `input` on its standard input; no descriptor but the three
// pipes is inherited, and the working folder is "/". Blocks until the child has ended
// (it is killed at the wall-time limit).
child_result run_limited(const std::vector<std::string>& argv, std::string_view input, const child_limits& limits);

// How the child ended in a few words for a message, in English like the library's own
// reasons: "segmentation fault", "exit status 3", "no answer within its time limit", ...
std::string child_ending_text(const child_result& r);
