/* The built vantrel.exe, whose path ctest hands over in VANTREL_EXE (a Unix
   path; Wine reaches /x/y as Z:\x\y). Tests read its resources as data. */
#ifndef VANTREL_BUILT_EXE_H
#define VANTREL_BUILT_EXE_H

#include <windows.h>
#include <string>

/* The exe's path as Windows sees it, or "" when VANTREL_EXE is not set. */
std::string BuiltExePath(void);

/* Loaded once as a data file and kept for the process; NULL when it cannot
   be loaded. */
HMODULE BuiltExeModule(void);

/* A resource's bytes, or NULL with size 0 when it is missing. */
const BYTE *BuiltExeResource(LPCSTR type, LPCSTR name, DWORD *size);

#endif
