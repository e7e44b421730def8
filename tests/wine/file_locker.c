/* Holds data.ini in its current folder open, as another program may, and writes the marker file
   "locker-holds" once it does.

   locker.exe                 holds it without sharing (nothing else can read, write, replace
                              or delete it) until it is ended
   locker.exe reader RELEASE  holds it as a virus scanner, the search indexer or a backup client
                              looks at a fresh file: others may read it, but nobody can write,
                              replace or delete it; lets go (and ends) as soon as the file RELEASE
                              exists, or holds until ended when RELEASE is "-" */
#include <string.h>
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    (void)instance;
    (void)previous;
    (void)show;
    const char* release = NULL;
    DWORD access = GENERIC_READ | GENERIC_WRITE, sharing = 0;
    while (*command_line == ' ') ++command_line;
    if (strncmp(command_line, "reader ", 7) == 0) {
        access = GENERIC_READ;
        sharing = FILE_SHARE_READ;
        release = command_line + 7;
        while (*release == ' ') ++release;
        if (strcmp(release, "-") == 0) release = NULL;
    }
    HANDLE file = CreateFileA("data.ini", access, sharing, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    HANDLE marker =
        CreateFileA("locker-holds", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    if (release == NULL) Sleep(INFINITE);
    while (GetFileAttributesA(release) == INVALID_FILE_ATTRIBUTES) Sleep(10);
    CloseHandle(file);
    return 0;
}
