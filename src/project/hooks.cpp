#include "project/hooks.h"

#include <utility>

namespace {
front_end installed;
}

front_end& front() { return installed; }

front_end set_front_end(front_end f) { return std::exchange(installed, std::move(f)); }

refresh_hooks& hooks() { return installed.refresh; }

refresh_hooks set_hooks(refresh_hooks h) { return std::exchange(installed.refresh, std::move(h)); }

step_hooks& shooks() { return installed.steps; }

step_hooks set_step_hooks(step_hooks h) { return std::exchange(installed.steps, std::move(h)); }
