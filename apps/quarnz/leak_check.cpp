// The leak checker's settings, for the whole tool in the sanitizer build.
// Fontconfig keeps a few blocks unreachable for the life of the process once
// the label face has been looked up; they are not ours to free, and the tool's
// standard error stays for its own messages.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_options() {
    return "print_suppressions=0";
}
