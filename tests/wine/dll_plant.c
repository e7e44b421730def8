/* A DLL planted where Tockly must never load it from: when loaded, it writes plant-loaded.txt
   beside itself, so that a test sees whether (and from where) it was taken. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    while (length > 0 && path[length - 1] != '\\') --length;
    if (length + sizeof "plant-loaded.txt" > MAX_PATH) return TRUE;
    lstrcpyA(path + length, "plant-loaded.txt");
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, "loaded", 6, &written, NULL);
        CloseHandle(file);
    }
    return TRUE;
}
