#include "project/step_hooks.h"

#include <utility>

namespace {
step_hooks installed;
}  // namespace

step_hooks& shooks() { return installed; }

step_hooks set_step_hooks(step_hooks h) { return std::exchange(installed, std::move(h)); }
