// The worker processes of a series run and the parent's side: inputs handed out in order,
// results gathered and delivered in input order, a worker that dies replaced.
//
// Parent and worker talk over one stream socket each. The parent sends the position of
// the next input (4 bytes, or `quit`); the worker answers with one framed message per
// input (its exit status, output, summary row and where it put the read-back curves) and,
// told to quit, with one last message after the flush of everything it wrote.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "numeric/safe_files.h"
#include "project/hooks.h"
#include "project/i18n.h"
#include "project/messages.h"
#include "series/reduce_input.h"
#include "series/series.h"
#include "series/series_table.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t quit = 0xffffffffu;
enum message_type : std::uint8_t { msg_result = 1, msg_bye = 2 };
constexpr std::size_t queue_depth = 2;  // inputs handed to a worker ahead of its results

// ---- Messages between the processes --------------------------------------------------------

struct writer {
  std::string bytes;
  template <typename T>
  void put(T v) {
    bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
  }
  void put(const std::string& s) {
    put(static_cast<std::uint32_t>(s.size()));
    bytes += s;
  }
  void put(const std::optional<double>& v) {
    put(static_cast<std::uint8_t>(v.has_value()));
    put(v.value_or(0.0));
  }
};

struct reader {
  const std::string& bytes;
  std::size_t at = 0;
  bool ok = true;
  template <typename T>
  T get() {
    T v{};
    if (at + sizeof v > bytes.size()) return ok = false, v;
    std::memcpy(&v, bytes.data() + at, sizeof v);
    at += sizeof v;
    return v;
  }
  std::string text() {
    const auto n = get<std::uint32_t>();
    if (!ok || at + n > bytes.size()) return ok = false, std::string();
    std::string s = bytes.substr(at, n);
    at += n;
    return s;
  }
  std::optional<double> value() {
    const auto has = get<std::uint8_t>();
    const auto v = get<double>();
    return has ? std::optional<double>(v) : std::nullopt;
  }
};

// Writes everything, to a socket without raising SIGPIPE when the other end is gone.
bool write_all(int fd, const char* p, std::size_t n, bool socket = true) {
  while (n > 0) {
    const ssize_t k = socket ? ::send(fd, p, n, MSG_NOSIGNAL) : ::write(fd, p, n);
    if (k < 0 && errno == EINTR) continue;
    if (k < 0 && errno == EAGAIN) {
      pollfd w{fd, POLLOUT, 0};
      ::poll(&w, 1, -1);
      continue;
    }
    if (k <= 0) return false;
    p += k, n -= static_cast<std::size_t>(k);
  }
  return true;
}

bool send_frame(int fd, const std::string& payload) {
  const auto n = static_cast<std::uint32_t>(payload.size());
  std::string frame(reinterpret_cast<const char*>(&n), sizeof n);
  frame += payload;
  return write_all(fd, frame.data(), frame.size());
}

bool read_all(int fd, void* out, std::size_t n) {
  char* p = static_cast<char*>(out);
  while (n > 0) {
    const ssize_t k = ::read(fd, p, n);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return false;
    p += k, n -= static_cast<std::size_t>(k);
  }
  return true;
}

// Where a worker put the read-back curve of an input in its scratch file.
struct column_place {
  int slot = -1;
  std::int64_t offset = -1;
  std::uint32_t n = 0;
};
using input_columns = std::array<column_place, nseries_curves>;

std::string stem_of(const std::string& path) { return fs::path(path).stem().string(); }

}  // namespace

std::vector<std::string> input_folders(const std::vector<series_input>& inputs) {
  std::set<std::string> taken;
  std::vector<std::string> folders;
  for (const series_input& input : inputs) {
    std::string stem = stem_of(input.path);
    if (stem.empty() || stem == "." || stem == "..") stem = "input";
    std::string name = stem;
    for (int k = 2; taken.count(name); ++k) name = stem + "-" + std::to_string(k);
    taken.insert(name);
    folders.push_back(name);
  }
  return folders;
}

// ---- The run ---------------------------------------------------------------------------------

struct series_run::state {
  series_request request;
  std::vector<std::string> folders;  // of each input; none without the series layout
  bool layout = false;               // folders of their own and the summary files
  bool with_value = false;
  std::size_t total = 0;
  std::size_t dispatched = 0, next_delivery = 0;
  std::deque<std::size_t> retry;  // handed to a worker that died before starting them
  bool started = false, cancelled = false, finished = false;
  int epoll = -1;
  pid_t parent = -1;

  struct worker {
    pid_t pid = -1;
    int fd = -1;       // the parent's end of the socket
    int scratch = -1;  // read-back curves, appended by the worker
    std::deque<std::size_t> queue;
    std::string incoming;
    bool quit_sent = false, done = false;
  };
  std::vector<worker> workers;
  std::map<std::size_t, series_result> ready;  // finished, awaiting their turn
  std::map<std::size_t, std::pair<input_columns, std::vector<std::string>>> ready_columns;
  std::vector<input_columns> columns;  // per delivered input
  safe_output index;
  bool index_ok = true;
  std::vector<std::string> flush_failures;
  prepared_project prepared;  // a worker's: the project as prepared for its first input
  bool unflushed = false;     // a worker that wrote files ended without flushing them

  ~state();
  bool spawn(int slot, std::string& error);
  [[noreturn]] void worker_main(int slot, int fd);
  std::string reduce_and_describe(int slot, std::uint32_t index);
  std::string in_fresh_process(int slot, std::uint32_t index);
  void dispatch();
  void receive(int slot);
  void handle(int slot, const std::string& payload);
  void worker_ended(int slot);
  void deliver(std::vector<series_result>& out);
  bool complete() const;
  void fail_input(std::size_t index, const std::string& why);
};

series_run::state::~state() {
  for (worker& w : workers) {
    if (w.fd >= 0) ::close(w.fd);
    if (w.scratch >= 0) ::close(w.scratch);
    if (w.pid > 0) {
      ::kill(w.pid, SIGTERM);
      ::waitpid(w.pid, nullptr, 0);
    }
  }
  if (epoll >= 0) ::close(epoll);
}

// The child: owns the model from here on, reduces what the parent sends, never returns.
void series_run::state::worker_main(int slot, int fd) {
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (::getppid() != parent) ::_exit(1);  // it ended before the line above
  ::signal(SIGPIPE, SIG_DFL);
  forget_inherited_temporaries();  // the parent's summary being written
  for (std::size_t k = 0; k < workers.size(); ++k) {
    if (workers[k].fd >= 0) ::close(workers[k].fd);
    if (static_cast<int>(k) != slot && workers[k].scratch >= 0) ::close(workers[k].scratch);
  }
  ::close(epoll);
  set_front_end({});
  install_worker_receivers();
  defer_file_flushes(true);
  for (std::uint32_t index; read_all(fd, &index, sizeof index);) {
    if (index == quit) {
      writer w;
      std::string failure;
      const bool flushed = request.scratch || flush_deferred_files(&failure);
      w.put(msg_bye);
      w.put(static_cast<std::uint8_t>(flushed));
      w.put(failure);
      send_frame(fd, w.bytes);
      ::_exit(0);
    }
    // An SVG image names its parts after a counter of the drawing library that runs on
    // from one image to the next; so that the images of an input do not depend on the
    // inputs the worker reduced before, each input then runs in a process of its own.
    const std::string result =
        request.settings.plot == "svg" ? in_fresh_process(slot, index) : reduce_and_describe(slot, index);
    if (result.empty() || !send_frame(fd, result)) break;
  }
  ::_exit(0);  // the parent is gone
}

// A child of the worker reduces the input and hands back its message through a pipe,
// after flushing what it wrote (its own list of file systems goes with it).
std::string series_run::state::in_fresh_process(int slot, std::uint32_t index) {
  int channel[2];
  if (::pipe2(channel, O_CLOEXEC) != 0) ::_exit(1);
  const pid_t pid = ::fork();
  if (pid < 0) ::_exit(1);
  if (pid == 0) {
    ::close(channel[0]);
    const std::string result = reduce_and_describe(slot, index);
    if (!request.scratch) flush_deferred_files(nullptr);
    ::_exit(write_all(channel[1], result.data(), result.size(), false) ? 0 : 1);
  }
  ::close(channel[1]);
  std::string result;
  char buf[65536];
  for (ssize_t n; (n = ::read(channel[0], buf, sizeof buf)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    result.append(buf, static_cast<std::size_t>(n));
  }
  ::close(channel[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ::_exit(1);  // the parent reports the input lost
  return result;
}

// Reduces input `index` and describes the outcome as the message to the parent; the
// read-back curves go to the slot's scratch file.
std::string series_run::state::reduce_and_describe(int slot, std::uint32_t index) {
  const int scratch = workers[static_cast<std::size_t>(slot)].scratch;
  writer w;
  input_job job;
  const series_request& r = request;
  if (!r.inputs.empty()) job.input = &r.inputs[index];
  job.dir = layout ? (fs::path(r.outdir) / folders[index]).string() : r.outdir;
  job.own_folder = layout;
  job.save_path = r.settings.save_project;
  if (layout && !job.save_path.empty())
    job.save_path = (fs::path(job.dir) / fs::path(job.save_path).filename()).string();
  job.columns = layout && scratch >= 0;
  input_outcome o = reduce_input(r, job, prepared);

  w.put(msg_result);
  w.put(static_cast<std::uint64_t>(index));
  w.put(static_cast<std::int32_t>(o.exit));
  w.put(static_cast<std::uint32_t>(o.output.size()));
  for (const output_piece& p : o.output) {
    w.put(static_cast<std::uint8_t>(p.kind));
    w.put(p.text);
  }
  const series_row& row = o.row;
  for (const auto& v : {row.value, row.normalisation_constant, row.density_used, row.optimised_density, row.low_r_chi2,
                        row.sq_first_peak_q, row.sq_first_peak, row.gr_first_peak_r, row.gr_first_peak})
    w.put(v);
  w.put(static_cast<std::uint32_t>(row.coordination.size()));
  for (const auto& v : row.coordination) w.put(v);
  for (const auto& v : {row.normalisation_constant_sigma, row.density_used_sigma, row.optimised_density_sigma})
    w.put(v);
  for (const auto& v : row.coordination_sigma) w.put(v);
  w.put(static_cast<std::uint32_t>(row.warnings.size()));
  for (const std::string& t : row.warnings) w.put(t);
  // The curves to the scratch file: n, then x and y.
  w.put(static_cast<std::uint32_t>(o.columns.size()));
  for (const curve_column& c : o.columns) {
    const off_t at = ::lseek(scratch, 0, SEEK_END);
    const std::size_t bytes = c.x.size() * sizeof(double);
    const std::vector<char>& cells = c.cells;
    const bool stored = at >= 0 && write_all(scratch, reinterpret_cast<const char*>(c.x.data()), bytes, false) &&
                        write_all(scratch, reinterpret_cast<const char*>(c.y.data()), bytes, false) &&
                        write_all(scratch, cells.data(), cells.size(), false);
    w.put(static_cast<std::uint8_t>(c.curve));
    w.put(c.file);
    w.put(static_cast<std::int64_t>(stored ? at : -1));
    w.put(static_cast<std::uint32_t>(c.x.size()));
  }
  return w.bytes;
}

bool series_run::state::spawn(int slot, std::string& error) {
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    error = std::strerror(errno);
    return false;
  }
  std::fflush(nullptr);  // nothing buffered is written twice
  parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) {
    error = std::strerror(errno);
    ::close(ends[0]);
    ::close(ends[1]);
    return false;
  }
  if (pid == 0) {
    ::close(ends[0]);
    worker_main(slot, ends[1]);
  }
  ::close(ends[1]);
  worker& w = workers[static_cast<std::size_t>(slot)];
  w = worker{pid, ends[0], w.scratch, {}, {}, false, false};
  ::fcntl(w.fd, F_SETFL, ::fcntl(w.fd, F_GETFL) | O_NONBLOCK);
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.u32 = static_cast<std::uint32_t>(slot);
  ::epoll_ctl(epoll, EPOLL_CTL_ADD, w.fd, &ev);
  return true;
}

void series_run::state::fail_input(std::size_t index, const std::string& why) {
  series_result r;
  r.index = index;
  r.exit = series_file;
  r.folder = layout ? folders[index] : std::string();
  r.output.push_back({output_piece::err, why});
  r.row.coordination.resize(request.settings.coordination.size());
  r.row.coordination_sigma.resize(request.settings.coordination.size());
  r.row.warnings.push_back(why);
  ready[index] = std::move(r);
}

void series_run::state::dispatch() {
  const bool more = !cancelled && (!retry.empty() || dispatched < total);
  for (std::size_t k = 0; k < workers.size(); ++k) {
    worker& w = workers[k];
    if (w.fd < 0 && more && !w.done) {
      std::string error;
      if (!spawn(static_cast<int>(k), error)) w.done = true;
    }
  }
  // Inputs in order, each to the worker with the shortest queue, no further than a window
  // ahead of the next delivery (what waits for its turn stays bounded).
  const std::size_t window = 4 * workers.size();
  while (!cancelled) {
    std::size_t index;
    if (!retry.empty())
      index = retry.front();
    else if (dispatched < total && dispatched < next_delivery + window)
      index = dispatched;
    else
      break;
    worker* best = nullptr;
    for (worker& w : workers)
      if (w.fd >= 0 && !w.quit_sent && w.queue.size() < queue_depth && (!best || w.queue.size() < best->queue.size()))
        best = &w;
    if (!best) break;
    const auto cmd = static_cast<std::uint32_t>(index);
    if (!write_all(best->fd, reinterpret_cast<const char*>(&cmd), sizeof cmd)) break;
    best->queue.push_back(index);
    if (!retry.empty() && retry.front() == index)
      retry.pop_front();
    else
      ++dispatched;
  }
  // Nothing more to hand out: idle workers flush and leave.
  const bool exhausted = cancelled || (retry.empty() && dispatched == total);
  for (worker& w : workers) {
    if (!exhausted || w.fd < 0 || w.quit_sent || !w.queue.empty()) continue;
    const std::uint32_t cmd = quit;
    w.quit_sent = write_all(w.fd, reinterpret_cast<const char*>(&cmd), sizeof cmd);
  }
  // No worker can be had at all: the rest fails.
  const bool any = std::any_of(workers.begin(), workers.end(), [](const worker& w) { return w.fd >= 0; });
  if (!any && !cancelled) {
    while (!retry.empty()) {
      fail_input(retry.front(), tr("amoq-reduce: no worker process could be started\n"));
      retry.pop_front();
    }
    for (; dispatched < total; ++dispatched)
      fail_input(dispatched, tr("amoq-reduce: no worker process could be started\n"));
  }
}

void series_run::state::handle(int slot, const std::string& payload) {
  worker& w = workers[static_cast<std::size_t>(slot)];
  reader in{payload};
  const auto type = in.get<std::uint8_t>();
  if (type == msg_bye) {
    const bool flushed = in.get<std::uint8_t>() != 0;
    const std::string failure = in.text();
    if (!flushed) flush_failures.push_back(failure);
    w.done = true;
    return;
  }
  series_result r;
  r.index = static_cast<std::size_t>(in.get<std::uint64_t>());
  r.exit = in.get<std::int32_t>();
  const auto pieces = in.get<std::uint32_t>();
  for (std::uint32_t k = 0; k < pieces && in.ok; ++k) {
    const auto kind = static_cast<output_piece::kind_t>(in.get<std::uint8_t>());
    r.output.push_back({kind, in.text()});
  }
  std::optional<double>* values[] = {
      &r.row.value,        &r.row.normalisation_constant, &r.row.density_used,  &r.row.optimised_density,
      &r.row.low_r_chi2,   &r.row.sq_first_peak_q,        &r.row.sq_first_peak, &r.row.gr_first_peak_r,
      &r.row.gr_first_peak};
  for (auto* v : values) *v = in.value();
  r.row.coordination.resize(in.get<std::uint32_t>());
  for (auto& v : r.row.coordination) v = in.value();
  for (auto* v : {&r.row.normalisation_constant_sigma, &r.row.density_used_sigma, &r.row.optimised_density_sigma})
    *v = in.value();
  r.row.coordination_sigma.resize(r.row.coordination.size());
  for (auto& v : r.row.coordination_sigma) v = in.value();
  const auto nwarnings = in.get<std::uint32_t>();
  for (std::uint32_t k = 0; k < nwarnings && in.ok; ++k) r.row.warnings.push_back(in.text());
  input_columns places;
  std::vector<std::string> files;
  const auto ncolumns = in.get<std::uint32_t>();
  for (std::uint32_t k = 0; k < ncolumns && in.ok; ++k) {
    const auto curve = in.get<std::uint8_t>();
    const std::string file = in.text();
    const auto offset = in.get<std::int64_t>();
    const auto n = in.get<std::uint32_t>();
    if (curve < nseries_curves && offset >= 0) {
      places[curve] = {slot, offset, n};
      files.push_back(file);
    }
  }
  if (!in.ok || r.index >= total) return;  // not from our worker
  if (!w.queue.empty() && w.queue.front() == r.index) w.queue.pop_front();
  r.folder = layout ? folders[r.index] : std::string();
  if (!request.values.empty()) r.row.value = request.values[r.index];
  ready_columns[r.index] = {places, std::move(files)};
  ready[r.index] = std::move(r);
}

void series_run::state::receive(int slot) {
  worker& w = workers[static_cast<std::size_t>(slot)];
  char buf[65536];
  bool ended = false;
  for (;;) {
    const ssize_t n = ::read(w.fd, buf, sizeof buf);
    if (n > 0) {
      w.incoming.append(buf, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    ended = !(n < 0 && errno == EAGAIN);
    break;
  }
  while (w.incoming.size() >= sizeof(std::uint32_t)) {
    std::uint32_t len;
    std::memcpy(&len, w.incoming.data(), sizeof len);
    if (w.incoming.size() < sizeof len + len) break;
    handle(slot, w.incoming.substr(sizeof len, len));
    w.incoming.erase(0, sizeof len + len);
  }
  if (ended) worker_ended(slot);  // after the messages it sent before
}

// A worker's stream ended: after its last message, or because it died. The input it was
// reducing fails; those queued behind it go to another worker.
void series_run::state::worker_ended(int slot) {
  worker& w = workers[static_cast<std::size_t>(slot)];
  ::epoll_ctl(epoll, EPOLL_CTL_DEL, w.fd, nullptr);
  ::close(w.fd);
  w.fd = -1;
  int status = 0;
  const bool reaped = w.pid > 0 && ::waitpid(w.pid, &status, 0) == w.pid;
  w.pid = -1;
  if (!w.done) unflushed = true;
  if (w.queue.empty()) return;
  const std::size_t lost = w.queue.front();
  w.queue.pop_front();
  const std::string name = request.inputs.empty() ? request.settings.project : request.inputs[lost].path;
  std::string how = reaped && WIFSIGNALED(status)
                        ? format(tr("signal %d, %s"), WTERMSIG(status), strsignal(WTERMSIG(status)))
                        : format(tr("exit status %d"), reaped && WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  fail_input(lost, format(tr("amoq-reduce: %s: the reduction stopped (%s)\n"), name.c_str(), how.c_str()));
  for (auto it = w.queue.rbegin(); it != w.queue.rend(); ++it) retry.push_front(*it);
  w.queue.clear();
  w.quit_sent = false;
}

bool series_run::state::complete() const {
  if (next_delivery >= total) return true;
  if (!cancelled) return false;
  for (const worker& w : workers)
    if (!w.queue.empty()) return false;
  return ready.empty();
}

void series_run::state::deliver(std::vector<series_result>& out) {
  // After cancel() an input handed back by a worker that died is not started again: the
  // inputs after it are delivered once nothing is running.
  const bool settled =
      cancelled && std::all_of(workers.begin(), workers.end(), [](const worker& w) { return w.queue.empty(); });
  if (settled && !ready.empty() && ready.begin()->first > next_delivery) next_delivery = ready.begin()->first;
  for (auto it = ready.find(next_delivery); it != ready.end(); it = ready.find(next_delivery)) {
    series_result& r = it->second;
    auto cols = ready_columns.find(r.index);
    std::vector<std::string> files;
    if (cols != ready_columns.end()) {
      files = cols->second.second;
      if (layout) columns.push_back(cols->second.first);
      ready_columns.erase(cols);
    } else if (layout) {
      columns.push_back({});
    }
    if (layout && index_ok) {
      const std::string input = request.inputs.empty() ? std::string() : request.inputs[r.index].path;
      index_ok = index.write(index_line(r.folder, files, input, r.exit, r.row, with_value, summary_sigmas(request.settings)));
    }
    out.push_back(std::move(r));
    ready.erase(it);
    ++next_delivery;
    if (settled && !ready.empty() && ready.begin()->first > next_delivery) next_delivery = ready.begin()->first;
  }
}

// ---- The public face -------------------------------------------------------------------------

series_run::series_run() : s_(std::make_unique<state>()) {}

series_run::~series_run() {
  if (s_->started && !s_->finished) {
    cancel();
    std::vector<series_result> rest;
    while (poll(rest, -1)) rest.clear();
    std::vector<output_piece> ignored;
    finish(ignored);
  }
}

bool series_run::start(series_request request, std::string& error) {
  state& s = *s_;
  s.request = std::move(request);
  const series_request& r = s.request;
  s.total = std::max<std::size_t>(1, r.inputs.size());
  s.layout = r.inputs.size() > 1 || (r.series && !r.inputs.empty());
  s.with_value = !r.value_key.empty() || !r.values.empty();
  if (!r.values.empty() && r.values.size() != r.inputs.size()) {
    error = "amoq-reduce: one series value per input is needed";
    return false;
  }
  int nworkers = r.workers;
  if (nworkers <= 0) {
    cpu_set_t set;
    nworkers = ::sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set)
                                                             : static_cast<int>(std::thread::hardware_concurrency());
  }
  nworkers = static_cast<int>(std::clamp<std::size_t>(static_cast<std::size_t>(std::max(nworkers, 1)), 1, s.total));
  s.workers.resize(static_cast<std::size_t>(nworkers));
  if (s.layout) {
    s.folders = input_folders(r.inputs);
    std::error_code ec;
    fs::create_directories(r.outdir, ec);
    if (ec) {
      error = format(tr("Impossible to create the folder:\n%s\n%s\n"), r.outdir.c_str(), ec.message().c_str());
      return false;
    }
    const std::string index_path = (fs::path(r.outdir) / series_index_name).string();
    s.index.set_durable(!r.scratch);
    if (!s.index.open(index_path) || !s.index.write(index_header(summary_columns(r.settings, s.with_value)))) {
      error = format(tr("Impossible to write data file:\n%s\n"), s.index.failure().c_str());
      return false;
    }
    for (auto& w : s.workers) {
      w.scratch = ::open(r.outdir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
      if (w.scratch < 0) {
        std::string name = (fs::path(r.outdir) / ".series-columns-XXXXXX").string();
        w.scratch = ::mkostemp(name.data(), O_CLOEXEC);
        if (w.scratch >= 0) ::unlink(name.c_str());
      }
      if (w.scratch < 0) {
        error = format(tr("Impossible to write data file:\n%s\n"), (r.outdir + ": " + std::strerror(errno)).c_str());
        return false;
      }
    }
  }
  s.epoll = ::epoll_create1(EPOLL_CLOEXEC);
  if (s.epoll < 0) {
    error = std::strerror(errno);
    return false;
  }
  for (std::size_t k = 0; k < s.workers.size(); ++k) {
    if (!s.spawn(static_cast<int>(k), error)) {
      if (k == 0) {
        error = format(tr("amoq-reduce: no worker process could be started: %s"), error.c_str());
        return false;
      }
      s.workers.resize(k);  // fewer workers than asked for
      break;
    }
  }
  s.started = true;
  s.dispatch();
  return true;
}

int series_run::descriptor() const { return s_->epoll; }

bool series_run::poll(std::vector<series_result>& out, int timeout_ms) {
  state& s = *s_;
  if (!s.started) return false;
  // A delivery widens the window of inputs handed out: dispatch after each.
  s.deliver(out);
  s.dispatch();
  if (s.complete()) return false;
  epoll_event events[16];
  const int n = ::epoll_wait(s.epoll, events, 16, timeout_ms);
  for (int k = 0; k < n; ++k) s.receive(static_cast<int>(events[k].data.u32));
  s.deliver(out);
  s.dispatch();
  return !s.complete();
}

void series_run::cancel() { s_->cancelled = true; }

const series_request& series_run::request() const { return s_->request; }
std::size_t series_run::total() const { return s_->total; }
std::size_t series_run::delivered() const { return s_->next_delivery; }

namespace {

// The read-back curves in the workers' scratch files.
class scratch_column_reader : public column_reader {
 public:
  scratch_column_reader(const std::vector<input_columns>& places, const std::vector<int>& scratch)
      : places_(places), scratch_(scratch) {}
  bool read(std::size_t row, int curve, const std::string&, const std::string&, std::vector<double>& x,
            std::vector<double>& y, std::vector<output_piece>&) override {
    if (row >= places_.size()) return false;
    const column_place& p = places_[row][static_cast<std::size_t>(curve)];
    if (p.slot < 0) return false;
    x.resize(p.n);
    y.resize(p.n);
    const std::size_t bytes = p.n * sizeof(double);
    const int fd = scratch_[static_cast<std::size_t>(p.slot)];
    return ::pread(fd, x.data(), bytes, p.offset) == static_cast<ssize_t>(bytes) &&
           ::pread(fd, y.data(), bytes, p.offset + static_cast<off_t>(bytes)) == static_cast<ssize_t>(bytes);
  }
  // After x and y, the worker stored the cells of y.
  bool cells(std::size_t row, int curve, std::size_t n, int& fd, std::int64_t& offset) override {
    if (row >= places_.size()) return false;
    const column_place& p = places_[row][static_cast<std::size_t>(curve)];
    if (p.slot < 0 || p.n != n) return false;
    fd = scratch_[static_cast<std::size_t>(p.slot)];
    offset = p.offset + static_cast<std::int64_t>(2 * n * sizeof(double));
    return true;
  }

 private:
  const std::vector<input_columns>& places_;
  const std::vector<int>& scratch_;
};

}  // namespace

int series_run::finish(std::vector<output_piece>& messages) {
  state& s = *s_;
  if (!s.started || s.finished) return series_ok;
  // What is still running finishes (and joins the index) when finish() comes early.
  cancel();
  std::vector<series_result> rest;
  while (poll(rest, -1)) rest.clear();
  s.finished = true;
  // Every worker flushes what it wrote and leaves.
  for (;;) {
    s.dispatch();
    bool waiting = false;
    for (const auto& w : s.workers) waiting = waiting || w.fd >= 0;
    if (!waiting) break;
    epoll_event events[16];
    const int n = ::epoll_wait(s.epoll, events, 16, -1);
    for (int k = 0; k < n; ++k) s.receive(static_cast<int>(events[k].data.u32));
  }
  int status = series_ok;
  if (s.unflushed && !s.request.scratch) {  // flush on its behalf
    const int fd = ::open(s.request.outdir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if ((fd < 0 && errno != ENOENT) || (fd >= 0 && ::syncfs(fd) != 0))
      s.flush_failures.push_back(s.request.outdir + ": " + std::strerror(errno));
    if (fd >= 0) ::close(fd);
  }
  for (const std::string& failure : s.flush_failures) {
    messages.push_back({output_piece::err, format(tr("Impossible to write data file:\n%s\n"), failure.c_str())});
    status = series_file;
  }
  if (!s.layout) return status;
  if (!s.index_ok || !s.index.commit()) {
    messages.push_back(
        {output_piece::err, format(tr("Impossible to write data file:\n%s\n"), s.index.failure().c_str())});
    return series_file;
  }
  if (s.request.scratch) return status;
  std::vector<int> scratch;
  for (const auto& w : s.workers) scratch.push_back(w.scratch);
  scratch_column_reader columns(s.columns, scratch);
  return std::max(status, build_series_files(s.request.outdir, columns, messages));
}
