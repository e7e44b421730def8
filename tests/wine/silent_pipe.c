/* Serves the named pipe given on its command line and never writes to it, until it is ended: a
   client that opens the pipe and reads waits for ever, as it would on a network share that has
   gone. Writes "pipe-ready" in its current folder once the first instance listens. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    (void)instance;
    (void)previous;
    (void)show;
    int ready = 0;
    for (;;) {
        HANDLE pipe = CreateNamedPipeA(command_line, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT,
                                       PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, NULL);
        if (pipe == INVALID_HANDLE_VALUE) return 1;
        if (!ready) {
            HANDLE marker =
                CreateFileA("pipe-ready", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
            if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
            ready = 1;
        }
        /* Each client keeps its instance, open and silent; the next one gets a new instance. */
        if (!ConnectNamedPipe(pipe, NULL) && GetLastError() != ERROR_PIPE_CONNECTED) CloseHandle(pipe);
    }
}
