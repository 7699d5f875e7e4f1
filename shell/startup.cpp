#include "shell.h"

/* Placeholder until the start-up lands. */
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    AppInstance = instance;
    return 0;
}
