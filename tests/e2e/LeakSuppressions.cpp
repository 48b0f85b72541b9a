// Libraries that keep memory until the process ends and lose track of it on the way:
// fontconfig while it parses its configuration, and the D-Bus connection SDL opens for
// its window. Not this project's leaks, so the leak checker leaves them out.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n";
}
