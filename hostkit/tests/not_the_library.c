/* A module that loads but is not the library: it exports none of the three
 * entry points, so loading it must fail naming the first one. */
#if defined(_WIN32)
#  define STUB_EXPORT __declspec(dllexport)
#else
#  define STUB_EXPORT __attribute__((visibility("default")))
#endif

STUB_EXPORT int Not_The_Library(void);
STUB_EXPORT int Not_The_Library(void) { return 0; }
