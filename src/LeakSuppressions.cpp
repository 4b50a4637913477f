// Built into every program of the sanitizer build (see src/CMakeLists.txt).
// fontconfig keeps its configuration and font cache for the life of the
// process and never frees them; pango reaches it when the drive-test legend
// draws its text. LeakSanitizer would report those blocks at exit and fail
// the run, so they are suppressed, quietly (a program's standard error is
// part of what the tests check); any other leak is still reported.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
