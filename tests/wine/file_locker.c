/* Holds data.ini in its current folder open without sharing, as another program may (a virus
   scanner, the search indexer, a backup client looking at a fresh file): nothing else can read,
   write, replace or delete it. Writes the marker file "locker-holds" once it does.

   locker.exe           holds it until it is ended
   locker.exe RELEASE   lets go (and ends) as soon as the file RELEASE exists */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    (void)instance;
    (void)previous;
    (void)show;
    while (*command_line == ' ') ++command_line;
    const char* release = *command_line != '\0' ? command_line : NULL;
    HANDLE file =
        CreateFileA("data.ini", GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    HANDLE marker =
        CreateFileA("locker-holds", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    if (release == NULL) Sleep(INFINITE);
    while (GetFileAttributesA(release) == INVALID_FILE_ATTRIBUTES) Sleep(10);
    CloseHandle(file);
    return 0;
}
