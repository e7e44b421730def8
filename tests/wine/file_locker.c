/* Holds data.ini in its current folder open without sharing, as another program may, until it is
   ended: nothing else can read, write or replace the file meanwhile. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    (void)instance;
    (void)previous;
    (void)command_line;
    (void)show;
    HANDLE file = CreateFileA("data.ini", GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    Sleep(INFINITE);
    return 0;
}
