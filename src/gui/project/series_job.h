// A series run driven from the GTK main loop: a watch on the run's descriptor hands the
// finished inputs over as they arrive (poll without waiting), so the program never waits
// for a worker; the end of the run is reported once, after finish().
//
// The workers are processes forked from the program. The engine's worker installs an
// empty front end and its own message presenter before it touches the model, so a
// worker never reaches a dialog, a widget or the main loop, and it ends with _exit. What
// the program's settings are, the workers read from a project file written for the run.
#pragma once

#include <glib.h>

#include <functional>
#include <string>
#include <vector>

#include "series/series.h"

class series_job {
 public:
  using results_handler = std::function<void(std::vector<series_result>& results)>;
  // The run is over: its status and closing messages. The job may be destroyed from here
  // on, but not inside the handler.
  using done_handler = std::function<void(int status, const std::vector<output_piece>& messages)>;

  series_job(results_handler on_results, done_handler on_done);
  ~series_job();  // an unfinished run is cancelled and awaited (the program is closing)
  series_job(const series_job&) = delete;
  series_job& operator=(const series_job&) = delete;

  bool start(series_request request, std::string& error);
  // No further input starts; those running finish and are reported.
  void cancel();
  bool running() const { return running_; }
  bool cancelled() const { return cancelled_; }
  const series_request& request() const { return run_.request(); }
  std::size_t total() const { return run_.total(); }
  std::size_t delivered() const { return run_.delivered(); }

 private:
  static gboolean on_ready(gint fd, GIOCondition condition, gpointer self);
  static gboolean on_idle(gpointer self);
  // Takes what arrived; at the end, finishes the run and reports it.
  void take();

  series_run run_;
  results_handler on_results_;
  done_handler on_done_;
  guint watch_ = 0, idle_ = 0;
  bool running_ = false, cancelled_ = false;
  bool in_watch_ = false;  // take() called by the watch, which then ends itself
};
