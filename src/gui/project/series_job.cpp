#include "gui/project/series_job.h"

#include <glib-unix.h>

series_job::series_job(results_handler on_results, done_handler on_done)
    : on_results_(std::move(on_results)), on_done_(std::move(on_done)) {}

series_job::~series_job() {
  if (watch_) g_source_remove(watch_);
  if (idle_) g_source_remove(idle_);
  // series_run's own destructor cancels and awaits what still runs.
}

bool series_job::start(series_request request, std::string& error) {
  if (!run_.start(std::move(request), error)) return false;
  running_ = true;
  watch_ = g_unix_fd_add(run_.descriptor(), G_IO_IN, on_ready, this);
  // Inputs may all be over before anything arrives (a worker that cannot start).
  idle_ = g_idle_add(on_idle, this);
  return true;
}

void series_job::cancel() {
  if (!running_ || cancelled_) return;
  cancelled_ = true;
  run_.cancel();
  // Nothing may be running any more: look at once, from the main loop.
  if (!idle_) idle_ = g_idle_add(on_idle, this);
}

gboolean series_job::on_ready(gint, GIOCondition, gpointer self) {
  auto* job = static_cast<series_job*>(self);
  job->in_watch_ = true;
  job->take();
  job->in_watch_ = false;
  if (job->running_) return G_SOURCE_CONTINUE;
  job->watch_ = 0;
  return G_SOURCE_REMOVE;
}

gboolean series_job::on_idle(gpointer self) {
  auto* job = static_cast<series_job*>(self);
  job->idle_ = 0;
  job->take();
  return G_SOURCE_REMOVE;
}

void series_job::take() {
  if (!running_) return;
  std::vector<series_result> results;
  const bool more = run_.poll(results, 0);
  if (!results.empty() && on_results_) on_results_(results);
  if (more) return;
  running_ = false;
  if (watch_ && !in_watch_) g_source_remove(watch_), watch_ = 0;
  if (idle_) g_source_remove(idle_), idle_ = 0;
  std::vector<output_piece> messages;
  const int status = run_.finish(messages);
  if (on_done_) on_done_(status, messages);
}
