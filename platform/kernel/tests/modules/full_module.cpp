// A test module with both entry points the loader's tests look up.
extern "C" __attribute__((visibility("default"))) int ModuleAnswer() { return 42; }
extern "C" __attribute__((visibility("default"))) const char* ModuleName() { return "full"; }
