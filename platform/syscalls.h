/* The program's one way into the spooler, files, devices and the few other
   system calls whose answers the tests must script. Each entry has the Win32
   name and signature; production binds the real API, a test replaces single
   entries and puts them back with ResetSystemCalls. */
#ifndef VANTREL_SYSCALLS_H
#define VANTREL_SYSCALLS_H

#include <windows.h>
#include <winspool.h>
#include <commdlg.h>
#include <stdint.h>

typedef void (__cdecl *THREAD_START_PROC)(void *);

struct SYSTEM_CALLS {
    /* Spooler */
    BOOL (WINAPI *EnumPortsA)(LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
    BOOL (WINAPI *EnumPrintersA)(DWORD, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
    BOOL (WINAPI *EnumPrinterDriversA)(LPSTR, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
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
    DWORD (WINAPI *GetFileVersionInfoSizeA)(LPCSTR, LPDWORD);
    BOOL (WINAPI *GetFileVersionInfoA)(LPCSTR, DWORD, DWORD, LPVOID);

    /* System state and errors */
    BOOL (WINAPI *GetVersionExA)(LPOSVERSIONINFOA);
    DWORD (WINAPI *GetLastError)(void);
    DWORD (WINAPI *GetSysColor)(int);
    HBRUSH (WINAPI *CreateSolidBrush)(COLORREF);

    /* What the user sees and the worker's start */
    int (WINAPI *MessageBoxA)(HWND, LPCSTR, LPCSTR, UINT);
    BOOL (WINAPI *GetOpenFileNameA)(LPOPENFILENAMEA);
    uintptr_t (__cdecl *_beginthread)(THREAD_START_PROC, unsigned, void *);
};

extern SYSTEM_CALLS Sys;

/* Binds every entry to the real API again. */
void ResetSystemCalls(void);

/* An enumeration's answer is believed only when its count of entries of
   entrySize bytes lies in the size bytes of the buffer it filled, and
   every text those entries point to (at textOffsets within an entry) is
   NULL or starts in that buffer. A count or a pointer that cannot be true
   would have the caller read memory that is not the list's: the caller
   fails such a list as if the call had failed. */
bool IsListInBuffer(const BYTE *buffer, DWORD size, DWORD count, size_t entrySize, const size_t *textOffsets,
                    size_t textCount);

#endif
