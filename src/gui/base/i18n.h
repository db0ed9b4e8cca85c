// Texts of the user interface, translated through the "tessal" message domain that main
// makes the default. In the C locale gettext returns the English text unchanged.
#pragma once

#include <libintl.h>

#include "project/i18n.h"

#define _(text) tr(text)
