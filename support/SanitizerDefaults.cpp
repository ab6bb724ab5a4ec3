// Compiled into every program of the sanitizer build. libusb 0.1 drops the
// devices of a bus that went away without freeing them; that is the library's
// own and not reported, everything else is.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libusb-0.1.so\n";
}
