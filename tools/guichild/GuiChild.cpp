// A GUI-subsystem program for the tests of the process runner: it writes a megabyte of
// lines to its standard output before it pumps messages (so it blocks on a full pipe
// until the front end reads), then pumps messages until it is ended from outside.
#include <windows.h>

#include <cstdio>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int)
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    char line[64];
    for (int i = 0; i < 20000; ++i) {
        const int length = std::snprintf(line, sizeof line, "Info gui line %05d of the child program\r\n", i);
        DWORD written = 0;
        WriteFile(out, line, static_cast<DWORD>(length), &written, nullptr);
    }
    const char ready[] = "Info gui child ready\r\n";
    DWORD written = 0;
    WriteFile(out, ready, sizeof ready - 1, &written, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    return 0;
}
