// A library that loads but lacks the factory export.
#ifdef _WIN32
#define NO_FACTORY_EXPORT __declspec(dllexport)
#else
#define NO_FACTORY_EXPORT __attribute__((visibility("default")))
#endif

extern "C" NO_FACTORY_EXPORT int not_a_panel() { return 0; }
