#include "tool_main.h"

int main(int argc, char** argv)
{
    return tonvex::cli::toolMain(argc, argv);
}
