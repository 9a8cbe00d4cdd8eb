// __declspec as Windows code writes it, in GCC's attributes: dllexport makes
// a name visible outside the module, dllimport is nothing (the loader binds
// by name), and the common storage and code-generation hints map to their
// GCC forms. Only the compat folder defines it.
#pragma once

#ifndef __declspec
#define __declspec(x) KV_DECLSPEC_##x
#endif
#define KV_DECLSPEC_dllexport __attribute__((visibility("default")))
#define KV_DECLSPEC_dllimport
#define KV_DECLSPEC_noreturn __attribute__((noreturn))
#define KV_DECLSPEC_noinline __attribute__((noinline))
#define KV_DECLSPEC_nothrow __attribute__((nothrow))
#define KV_DECLSPEC_selectany __attribute__((weak))
#define KV_DECLSPEC_novtable
#define KV_DECLSPEC_thread __thread
#define KV_DECLSPEC_align(n) __attribute__((aligned(n)))
