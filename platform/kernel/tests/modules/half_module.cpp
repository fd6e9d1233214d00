// A test module missing half of the entry points: ModuleName is not here.
extern "C" __attribute__((visibility("default"))) int ModuleAnswer() { return 21; }
