/* A program for Tockly to start at a run-program entry: it writes "started" and its command line
   to marker.txt beside itself, so that a test sees that and how it was started. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    (void)instance;
    (void)previous;
    (void)show;
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    while (length > 0 && path[length - 1] != '\\') --length;
    if (length + sizeof "marker.txt" > MAX_PATH) return 1;
    lstrcpyA(path + length, "marker.txt");
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, "started ", 8, &written, NULL);
    WriteFile(file, command_line, (DWORD)lstrlenA(command_line), &written, NULL);
    CloseHandle(file);
    return 0;
}
