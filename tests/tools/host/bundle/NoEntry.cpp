// A bundle library for the stand-in host's tests that exports no GetPlugIn.
extern "C" __attribute__((visibility("default"))) int NotGetPlugIn() { return 0; }
