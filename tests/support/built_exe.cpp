#include "built_exe.h"

#include <stdlib.h>

std::string BuiltExePath(void)
{
    const char *path = getenv("VANTREL_EXE");
    if (path == NULL || *path == '\0')
        return std::string();
    std::string windowsPath = (path[0] == '/') ? std::string("Z:") + path : std::string(path);
    for (char &c : windowsPath)
        if (c == '/')
            c = '\\';
    return windowsPath;
}

HMODULE BuiltExeModule(void)
{
    static HMODULE module = NULL;
    static bool tried = false;
    if (!tried) {
        tried = true;
        std::string path = BuiltExePath();
        if (!path.empty())
            module = LoadLibraryExA(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    }
    return module;
}

const BYTE *BuiltExeResource(LPCSTR type, LPCSTR name, DWORD *size)
{
    *size = 0;
    HMODULE module = BuiltExeModule();
    if (module == NULL)
        return NULL;
    HRSRC found = FindResourceA(module, name, type);
    if (found == NULL)
        return NULL;
    HGLOBAL loaded = LoadResource(module, found);
    if (loaded == NULL)
        return NULL;
    *size = SizeofResource(module, found);
    return (const BYTE *)LockResource(loaded);
}
