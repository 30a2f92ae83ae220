// The process entry of the Windows GUI program: splits the wide command line,
// hands main() its arguments in the ANSI code page, and returns its result.

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

int main(int argc, char *argv[]);

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int argc = 0;
    wchar_t **wideArgv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!wideArgv)
        return -1;

    std::vector<std::string> arguments;
    arguments.reserve(static_cast<size_t>(argc));
    for (int i = 0; i < argc; ++i) {
        const int size = WideCharToMultiByte(CP_ACP, 0, wideArgv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string argument(size > 0 ? static_cast<size_t>(size) : 1u, '\0');
        if (size > 0)
            WideCharToMultiByte(CP_ACP, 0, wideArgv[i], -1, argument.data(), size, nullptr, nullptr);
        arguments.push_back(std::move(argument));
    }
    LocalFree(wideArgv);

    std::vector<char *> argv;
    argv.reserve(arguments.size() + 1);
    for (std::string &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    return main(argc, argv.data());
}
