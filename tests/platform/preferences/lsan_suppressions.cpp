// Fontconfig keeps what it allocates while parsing its configuration for the life of
// the process; that is not a leak of ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
