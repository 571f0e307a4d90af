// The system log's line on standard error.
#include <ctype.h>
#include <time.h>

#include <string>

#include "CppUTest/TestHarness.h"
#include "HostPlatform.h"
#include "HostTestSupport.h"
#include "Syslog.h"

namespace {

// "2024-05-01T12:34:56.789Z <text>": d stands for any digit.
bool stampedLine(const std::string& line, const std::string& text)
{
    const std::string shape = "dddd-dd-ddTdd:dd:dd.dddZ ";
    if (line.size() != shape.size() + text.size() || line.compare(shape.size(), std::string::npos, text) != 0)
        return false;
    for (size_t i = 0; i < shape.size(); i++)
        if (shape[i] == 'd' ? !isdigit(static_cast<unsigned char>(line[i])) : line[i] != shape[i])
            return false;
    return true;
}

}  // namespace

TEST_GROUP(Syslog){};

TEST(Syslog, each_call_is_one_utc_stamped_line)
{
    CapturedStderr err;
    Syslog::write("AQ9 - first %d\n", 1);
    Syslog::write("AQ9 - exception: x.\n Using default lat/long");
    const std::string text = err.text();
    const size_t end = text.find('\n');
    CHECK_TEXT(end != std::string::npos && text.back() == '\n', text.c_str());
    CHECK_TEXT(stampedLine(text.substr(0, end), "AQ9 - first 1"), text.c_str());
    CHECK_TEXT(stampedLine(text.substr(end + 1, text.size() - end - 2), "AQ9 - exception: x.  Using default lat/long"),
               text.c_str());
}

namespace {
std::string observedText;
timespec observedWhen;
void observe(const timespec& when, const char* text)
{
    observedText = text;
    observedWhen = when;
}
}  // namespace

// A host program follows the lines as written, each with the time it was stamped with.
TEST(Syslog, an_observer_sees_each_line_with_its_time)
{
    CapturedStderr err;
    timespec before, after;
    clock_gettime(CLOCK_REALTIME, &before);
    hostplatform::setLogObserver(observe);
    Syslog::write("AQ9 - Beginning HSI Calibration.\n");
    hostplatform::setLogObserver(nullptr);
    Syslog::write("AQ9 - not seen");
    clock_gettime(CLOCK_REALTIME, &after);
    err.text();
    STRCMP_EQUAL("AQ9 - Beginning HSI Calibration.", observedText.c_str());
    const double t = observedWhen.tv_sec + observedWhen.tv_nsec * 1e-9;
    CHECK(t >= before.tv_sec + before.tv_nsec * 1e-9 && t <= after.tv_sec + after.tv_nsec * 1e-9);
}
