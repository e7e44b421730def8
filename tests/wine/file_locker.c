/* Holds data.ini in its current folder open without sharing, as another program may: nothing else
   can read, write or replace the file meanwhile. Once it holds the file it writes the marker file
   "locker-holds". Without an argument it holds until it is ended; with one, a file name, it lets
   go (and ends) as soon as that file exists, so that a test can end the hold at a moment of its
   choosing. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    (void)instance;
    (void)previous;
    (void)show;
    HANDLE file = CreateFileA("data.ini", GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    HANDLE marker =
        CreateFileA("locker-holds", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    while (*command_line == ' ') ++command_line;
    if (*command_line == '\0') Sleep(INFINITE);
    while (GetFileAttributesA(command_line) == INVALID_FILE_ATTRIBUTES) Sleep(10);
    CloseHandle(file);
    return 0;
}
