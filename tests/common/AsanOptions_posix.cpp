// Sanitizer defaults for the test program. Every module of the plug-in's world carries its own
// resource tables under the same exported names (as each Windows module has its own
// resources), and tests load several such modules into one process: AddressSanitizer would
// take those per-module tables for one global defined twice.
extern "C" const char* __asan_default_options() { return "detect_odr_violation=0"; }
