#pragma once
// Custor.exe exports its library families under their plain names; other programs of the
// installation link against the import library that the build writes beside it.
#ifdef CUSTOR_BUILD
#define CUSTOR_API __declspec(dllexport)
#else
#define CUSTOR_API __declspec(dllimport)
#endif
// Plain functions of the families are exported with C linkage.
#define CUSTOR_C extern "C" CUSTOR_API
