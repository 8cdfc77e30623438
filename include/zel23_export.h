#ifndef ZEL23_EXPORT_H
#define ZEL23_EXPORT_H

// The shared library is built with hidden visibility; ZEL23_API marks the
// names that make up its interface.
#if defined(_WIN32)
#if defined(ZEL23_BUILDING)
#define ZEL23_API __declspec(dllexport)
#else
#define ZEL23_API __declspec(dllimport)
#endif
#else
#define ZEL23_API __attribute__((visibility("default")))
#endif

#endif
