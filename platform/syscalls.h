/* The program's one way into the spooler, files, devices and the few other
   system calls whose answers the tests must script. Each entry has the Win32
   name and signature; production binds the real API, a test replaces single
   entries and puts them back with ResetSystemCalls. Only what both front
   ends may call is here: the console program links it, and must not import
   the window's libraries (the open-file dialog, drawing, version blocks). */
#ifndef VANTREL_SYSCALLS_H
#define VANTREL_SYSCALLS_H

#include <windows.h>
#include <winspool.h>
#include <stdint.h>

typedef void (__cdecl *THREAD_START_PROC)(void *);

struct SYSTEM_CALLS {
    /* Spooler */
    BOOL (WINAPI *EnumPortsA)(LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
    BOOL (WINAPI *EnumPrintersA)(DWORD, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
    BOOL (WINAPI *EnumPrinterDriversA)(LPSTR, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
    BOOL (WINAPI *GetPrinterDriverA)(HANDLE, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD);
    HANDLE (WINAPI *AddPrinterA)(LPSTR, DWORD, LPBYTE);
    BOOL (WINAPI *DeletePrinter)(HANDLE);
    BOOL (WINAPI *OpenPrinterA)(LPSTR, LPHANDLE, LPPRINTER_DEFAULTSA);
    BOOL (WINAPI *ClosePrinter)(HANDLE);
    DWORD (WINAPI *StartDocPrinterA)(HANDLE, DWORD, LPBYTE);
    BOOL (WINAPI *StartPagePrinter)(HANDLE);
    BOOL (WINAPI *WritePrinter)(HANDLE, LPVOID, DWORD, LPDWORD);
    BOOL (WINAPI *EndPagePrinter)(HANDLE);
    BOOL (WINAPI *EndDocPrinter)(HANDLE);
    BOOL (WINAPI *AbortPrinter)(HANDLE);
    BOOL (WINAPI *GetJobA)(HANDLE, DWORD, DWORD, LPBYTE, DWORD, LPDWORD);

    /* Files and devices */
    HANDLE (WINAPI *CreateFileA)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
    BOOL (WINAPI *ReadFile)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL (WINAPI *WriteFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
    DWORD (WINAPI *GetFileSize)(HANDLE, LPDWORD);
    DWORD (WINAPI *GetFileAttributesA)(LPCSTR);
    BOOL (WINAPI *CloseHandle)(HANDLE);
    HANDLE (WINAPI *FindFirstFileA)(LPCSTR, LPWIN32_FIND_DATAA);
    BOOL (WINAPI *FindClose)(HANDLE);
    DWORD (WINAPI *GetModuleFileNameA)(HMODULE, LPSTR, DWORD);

    /* System state, errors and time */
    BOOL (WINAPI *GetVersionExA)(LPOSVERSIONINFOA);
    DWORD (WINAPI *GetLastError)(void);
    DWORD (WINAPI *GetTickCount)(void);
    void (WINAPI *Sleep)(DWORD);

    /* What the user sees and the worker's start */
    int (WINAPI *MessageBoxA)(HWND, LPCSTR, LPCSTR, UINT);
    uintptr_t (__cdecl *_beginthread)(THREAD_START_PROC, unsigned, void *);
};

extern SYSTEM_CALLS Sys;

/* Binds every entry to the real API again. */
void ResetSystemCalls(void);

#endif
