/* Loads the planted DLL by its name alone, as Windows' own components load their drivers: shows
   that a DLL of that name in the current folder is found by a process that keeps the default
   search. Exit code 0 when it was loaded. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    (void)instance;
    (void)previous;
    (void)show;
    (void)command_line;
    return LoadLibraryA("winetocklyplant.drv") != NULL ? 0 : 1;
}
