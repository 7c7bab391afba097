// The Windows entry: arguments arrive as UTF-16 and go on as UTF-8.

#include <string>
#include <vector>

#include "host_system.h"
#include "tool_main.h"
#include "win32_path.h"

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(argc));
    for (int i = 0; i < argc; ++i)
        arguments.push_back(tonvex::utf8FromWide(argv[i]));
    std::vector<char*> pointers;
    for (std::string& argument : arguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    tonvex::cli::useUtf8Output();
    return tonvex::cli::toolMain(argc, pointers.data());
}
