#include "project/hooks.h"

#include <utility>

namespace {
refresh_hooks installed;
}

refresh_hooks& hooks() { return installed; }

refresh_hooks set_hooks(refresh_hooks h) { return std::exchange(installed, std::move(h)); }
