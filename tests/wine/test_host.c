/* A stand-in for the runtime host, for testing the launcher: GetNewSock checks the request and
   returns an entry that writes the first bytes of the image it is handed to the file named by
   TOCKLY_TEST_HOST_RECORD. Built in three variants: working, refusing (GetNewSock returns null)
   and without the export. */
#include <windows.h>

#define RECORDED_BYTES 16

static void __stdcall host_entry(const void* image) {
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("TOCKLY_TEST_HOST_RECORD", path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, image, RECORDED_BYTES, &written, NULL);
    CloseHandle(file);
}

#if defined(TEST_HOST_WORKING)
__declspec(dllexport) void* __stdcall GetNewSock(int request) {
    return request == 1000 ? (void*)host_entry : NULL;
}
#elif defined(TEST_HOST_REFUSING)
__declspec(dllexport) void* __stdcall GetNewSock(int request) {
    (void)request;
    (void)host_entry;
    return NULL;
}
#else
/* Loads like a host, but offers its entry under another name. */
__declspec(dllexport) void* __stdcall GetOldSock(int request) {
    (void)request;
    return (void*)host_entry;
}
#endif
