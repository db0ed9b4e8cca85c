// Messages of the model layer and the programs, translated through the "tessal" message
// domain (glibc's libintl: no GLib here). Without a catalogue, or in the C locale, tr()
// returns the English text itself.
#pragma once

#include <libintl.h>

// The empty text stays empty: gettext("") would return the catalogue's header.
inline const char* tr(const char* text) { return text && *text ? gettext(text) : text; }

// Marks a text for extraction where it is translated later with tr() (tables).
#ifndef N_
#define N_(text) text
#endif

// Binds "tessal" to the catalogue folder, makes it the default domain and lets the user's
// language choose the messages. Only LC_MESSAGES is set: numbers keep the C locale in
// files, entries and labels. LANGUAGE alone (LANGUAGE=fr under a C locale) is honoured
// through C.UTF-8, since gettext ignores LANGUAGE in the C locale.
void setup_messages(const char* locale_dir);
