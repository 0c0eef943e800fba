// fontconfig keeps a few blocks of its configuration for the life of the process; they are not
// ours to free (FcFini would pull the configuration from under any other user).
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
