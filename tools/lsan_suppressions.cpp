// fontconfig keeps its configuration and font caches for the life of the process (pango
// loads them for the first --plot image); the leak checker of the sanitizer build is told
// to ignore them. Unused in other builds.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
