// imubench entry: the command line goes unchanged to the CppUTest runner, whose
// result is the exit status.
#include "CppUTest/CommandLineTestRunner.h"

int main(int argc, char** argv)
{
    return CommandLineTestRunner::RunAllTests(argc, argv);
}
