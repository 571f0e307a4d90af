#include "CppUTest/CommandLineTestRunner.h"
#include "CppUTest/MemoryLeakWarningPlugin.h"

int main(int argc, char** argv)
{
    // The recording doubles keep their records in standard containers across a
    // test's end, which the runner's per-test leak check would report; leaks
    // are left to LeakSanitizer in the sanitizer build instead.
    MemoryLeakWarningPlugin::turnOffNewDeleteOverloads();
    return CommandLineTestRunner::RunAllTests(argc, argv);
}
